// Placeholder until this subsystem has its first source file.
namespace qm {}
