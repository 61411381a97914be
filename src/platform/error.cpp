#include "platform/error.h"

#include <cerrno>
#include <system_error>

namespace qm {

namespace {

ErrorKind KindOf(int err) {
  switch (err) {
    case ENOENT:
      return ErrorKind::kNotFound;
    case EACCES:
    case EPERM:
      return ErrorKind::kAccessDenied;
    case EROFS:
      return ErrorKind::kReadOnly;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return ErrorKind::kNoSpace;
    case EISDIR:
      return ErrorKind::kIsDirectory;
    case ENOTDIR:
      return ErrorKind::kNotDirectory;
    case EEXIST:
    case ENOTEMPTY:
      return ErrorKind::kExists;
    case EIO:
      return ErrorKind::kIo;
    case EINVAL:
    case ENAMETOOLONG:
    case ELOOP:
      return ErrorKind::kInvalid;
    default:
      return ErrorKind::kOther;
  }
}

}  // namespace

Error ErrorFromErrno(int err, std::string_view what, std::string_view path) {
  std::string message(what);
  if (!path.empty()) {
    message += " \"";
    message += path;
    message += '"';
  }
  message += ": ";
  // The category message is thread-safe, unlike strerror.
  message += std::generic_category().message(err);
  return Error{KindOf(err), std::move(message)};
}

}  // namespace qm
