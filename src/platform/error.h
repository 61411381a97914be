// Errors from the operating system come back as values the caller cannot ignore; `errno` is
// translated to an ErrorKind in exactly one place (ErrorFromErrno).
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace qm {

enum class ErrorKind {
  kNotFound,      // the path or one of its parents does not exist
  kAccessDenied,  // permissions
  kReadOnly,      // the file carries the read-only attribute, or the volume is read-only
  kNoSpace,       // the volume is full
  kIsDirectory,
  kNotDirectory,
  kExists,
  kIo,       // a read or write failed part-way
  kInvalid,  // bad argument, name too long
  kOther,
};

struct Error {
  ErrorKind kind = ErrorKind::kOther;
  std::string message;
};

// Builds an Error from an errno value and the operation and path that failed.
Error ErrorFromErrno(int err, std::string_view what, std::string_view path);

// The outcome of an operation without a value.
class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(Error error) : error_(std::move(error)) {}  // NOLINT: implicit on purpose

  static Status Ok() { return Status(); }
  bool ok() const { return !error_.has_value(); }
  const Error& error() const { return *error_; }

 private:
  std::optional<Error> error_;
};

// A value or the error that kept it from being produced.
template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : v_(std::move(value)) {}      // NOLINT: implicit on purpose
  Result(Error error) : v_(std::move(error)) {}  // NOLINT: implicit on purpose

  bool ok() const { return v_.index() == 0; }
  T& value() & { return std::get<0>(v_); }
  const T& value() const& { return std::get<0>(v_); }
  T&& value() && { return std::get<0>(std::move(v_)); }
  const Error& error() const { return std::get<1>(v_); }
  Status status() const { return ok() ? Status() : Status(error()); }

 private:
  std::variant<T, Error> v_;
};

// The one exception type for unwinding a long operation (a copy, a pack); carries the error.
class FileError : public std::runtime_error {
 public:
  explicit FileError(Error error) : std::runtime_error(error.message), error_(std::move(error)) {}
  const Error& error() const { return error_; }

 private:
  Error error_;
};

}  // namespace qm
