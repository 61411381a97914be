// The ZIP library, and the crypto and compression libraries it brings, are mapped only when a
// profile packs or an archive is read: every libzip function the core calls is defined here and
// calls the library's own, which is opened on first use. A run without ZIP maps about 2 MiB
// less. The definitions are hidden, so the library, once open, calls its own functions, and the
// window's library (which links libzip itself) never sees these.
#define ZIP_EXTERN __attribute__((visibility("hidden")))
#include <dlfcn.h>
#include <zip.h>

#include <cstdarg>
#include <string>

#include "platform/error.h"

namespace {

[[noreturn]] void Unavailable(const std::string& what) {
  const char* reason = dlerror();
  throw qm::FileError(qm::Error{qm::ErrorKind::kOther,
                                "The ZIP library " QUILLMOR_LIBZIP_SONAME " could not be loaded (" +
                                    what + "): " + (reason ? reason : "unknown")});
}

void* Library() {
  // A failed load is not remembered: the next ZIP profile tries again.
  static void* const handle = [] {
    void* h = dlopen(QUILLMOR_LIBZIP_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (h == nullptr) Unavailable("opening it");
    return h;
  }();
  return handle;
}

// The library's own definition of `self`, which has the same name.
template <typename Fn>
Fn Real(const char* name, Fn /*self*/) {
  void* f = dlsym(Library(), name);
  if (f == nullptr) Unavailable(name);
  return reinterpret_cast<Fn>(f);
}

}  // namespace

extern "C" {

zip_t* zip_open(const char* path, int flags, int* errorp) {
  static const auto real = Real("zip_open", &zip_open);
  return real(path, flags, errorp);
}
int zip_close(zip_t* za) {
  static const auto real = Real("zip_close", &zip_close);
  return real(za);
}
void zip_discard(zip_t* za) {
  static const auto real = Real("zip_discard", &zip_discard);
  real(za);
}
void zip_error_fini(zip_error_t* e) {
  static const auto real = Real("zip_error_fini", &zip_error_fini);
  real(e);
}
void zip_error_init(zip_error_t* e) {
  static const auto real = Real("zip_error_init", &zip_error_init);
  real(e);
}
void zip_error_init_with_code(zip_error_t* e, int code) {
  static const auto real = Real("zip_error_init_with_code", &zip_error_init_with_code);
  real(e, code);
}
void zip_error_set(zip_error_t* e, int ze, int se) {
  static const auto real = Real("zip_error_set", &zip_error_set);
  real(e, ze, se);
}
const char* zip_error_strerror(zip_error_t* e) {
  static const auto real = Real("zip_error_strerror", &zip_error_strerror);
  return real(e);
}
zip_int64_t zip_error_to_data(const zip_error_t* e, void* data, zip_uint64_t length) {
  static const auto real = Real("zip_error_to_data", &zip_error_to_data);
  return real(e, data, length);
}
int zip_fclose(zip_file_t* f) {
  static const auto real = Real("zip_fclose", &zip_fclose);
  return real(f);
}
zip_int64_t zip_file_add(zip_t* za, const char* name, zip_source_t* source, zip_flags_t flags) {
  static const auto real = Real("zip_file_add", &zip_file_add);
  return real(za, name, source, flags);
}
const zip_uint8_t* zip_file_extra_field_get_by_id(zip_t* za, zip_uint64_t index, zip_uint16_t id,
                                                  zip_uint16_t id_index, zip_uint16_t* length,
                                                  zip_flags_t flags) {
  static const auto real = Real("zip_file_extra_field_get_by_id", &zip_file_extra_field_get_by_id);
  return real(za, index, id, id_index, length, flags);
}
int zip_file_extra_field_set(zip_t* za, zip_uint64_t index, zip_uint16_t id, zip_uint16_t id_index,
                             const zip_uint8_t* data, zip_uint16_t length, zip_flags_t flags) {
  static const auto real = Real("zip_file_extra_field_set", &zip_file_extra_field_set);
  return real(za, index, id, id_index, data, length, flags);
}
int zip_file_get_external_attributes(zip_t* za, zip_uint64_t index, zip_flags_t flags,
                                     zip_uint8_t* opsys, zip_uint32_t* attributes) {
  static const auto real =
      Real("zip_file_get_external_attributes", &zip_file_get_external_attributes);
  return real(za, index, flags, opsys, attributes);
}
int zip_file_set_external_attributes(zip_t* za, zip_uint64_t index, zip_flags_t flags,
                                     zip_uint8_t opsys, zip_uint32_t attributes) {
  static const auto real =
      Real("zip_file_set_external_attributes", &zip_file_set_external_attributes);
  return real(za, index, flags, opsys, attributes);
}
int zip_file_set_mtime(zip_t* za, zip_uint64_t index, time_t mtime, zip_flags_t flags) {
  static const auto real = Real("zip_file_set_mtime", &zip_file_set_mtime);
  return real(za, index, mtime, flags);
}
const char* zip_file_strerror(zip_file_t* f) {
  static const auto real = Real("zip_file_strerror", &zip_file_strerror);
  return real(f);
}
zip_file_t* zip_fopen_index(zip_t* za, zip_uint64_t index, zip_flags_t flags) {
  static const auto real = Real("zip_fopen_index", &zip_fopen_index);
  return real(za, index, flags);
}
zip_int64_t zip_fread(zip_file_t* f, void* buf, zip_uint64_t n) {
  static const auto real = Real("zip_fread", &zip_fread);
  return real(f, buf, n);
}
zip_int64_t zip_get_num_entries(zip_t* za, zip_flags_t flags) {
  static const auto real = Real("zip_get_num_entries", &zip_get_num_entries);
  return real(za, flags);
}
int zip_set_file_compression(zip_t* za, zip_uint64_t index, zip_int32_t method,
                             zip_uint32_t level) {
  static const auto real = Real("zip_set_file_compression", &zip_set_file_compression);
  return real(za, index, method, level);
}
zip_source_t* zip_source_buffer(zip_t* za, const void* data, zip_uint64_t length, int freep) {
  static const auto real = Real("zip_source_buffer", &zip_source_buffer);
  return real(za, data, length, freep);
}
void zip_source_free(zip_source_t* source) {
  static const auto real = Real("zip_source_free", &zip_source_free);
  real(source);
}
zip_source_t* zip_source_function(zip_t* za, zip_source_callback callback, void* userdata) {
  static const auto real = Real("zip_source_function", &zip_source_function);
  return real(za, callback, userdata);
}
// Takes a list of commands ended by -1; made here, as the library makes it, since a variable
// argument list cannot be passed on.
zip_int64_t zip_source_make_command_bitmap(zip_source_cmd_t command, ...) {
  zip_int64_t bitmap = ZIP_SOURCE_MAKE_COMMAND_BITMASK(command);
  va_list commands;
  va_start(commands, command);
  for (int c = va_arg(commands, int); c >= 0; c = va_arg(commands, int))
    bitmap |= ZIP_SOURCE_MAKE_COMMAND_BITMASK(c);
  va_end(commands);
  return bitmap;
}
int zip_stat_index(zip_t* za, zip_uint64_t index, zip_flags_t flags, zip_stat_t* st) {
  static const auto real = Real("zip_stat_index", &zip_stat_index);
  return real(za, index, flags, st);
}
void zip_stat_init(zip_stat_t* st) {
  static const auto real = Real("zip_stat_init", &zip_stat_init);
  real(st);
}
const char* zip_strerror(zip_t* za) {
  static const auto real = Real("zip_strerror", &zip_strerror);
  return real(za);
}

}  // extern "C"
