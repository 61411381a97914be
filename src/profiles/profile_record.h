// A profile as the store file holds it: the packed record of fixed layout.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/date_time.h"

namespace qm {

// One profile as the store file holds it: 1682 bytes, packed, little-endian. The doubles lie
// at odd offsets, so every field is read and written through byte copies, never in place.
// Texts are a length byte followed by UTF-8 bytes; a text cut to a field's size is cut at a
// character boundary.
class ProfileRecord {
 public:
  static constexpr size_t kSize = 1682;
  // Byte offsets of the layout.
  static constexpr size_t kEnabled = 0, kName = 1, kSrcDir = 42, kDestDir = 298, kFileMask = 554,
                          kInclDirs = 810, kCopyCriteria = 811, kSyncMethod = 813, kLastRun = 815,
                          kNextRun = 823, kKeepCopyKind = 831, kPSDone = 833, kdoZIP = 835,
                          kzipMode = 836, kRemoveDeleted = 838, kInterval = 839,
                          kUseStartTimeEndTime = 847, kStartTime = 848, kFinishTime = 856,
                          kReserved = 864;
  static constexpr size_t kNameChars = 40, kDirChars = 255;

  using Bytes = std::array<std::byte, kSize>;

  ProfileRecord() { bytes_.fill(std::byte{0}); }
  explicit ProfileRecord(const Bytes& bytes) : bytes_(bytes) {}

  const Bytes& bytes() const { return bytes_; }
  Bytes& bytes() { return bytes_; }
  void Clear() { bytes_.fill(std::byte{0}); }

  // Any byte other than 0 reads as true; true is written as 1.
  bool Enabled() const { return GetBool(kEnabled); }
  void SetEnabled(bool v) { SetBool(kEnabled, v); }
  std::string Name() const { return GetText(kName, kNameChars); }
  void SetName(std::string_view v) { SetText(kName, kNameChars, v); }
  std::string SrcDir() const { return GetText(kSrcDir, kDirChars); }
  void SetSrcDir(std::string_view v) { SetText(kSrcDir, kDirChars, v); }
  std::string DestDir() const { return GetText(kDestDir, kDirChars); }
  void SetDestDir(std::string_view v) { SetText(kDestDir, kDirChars, v); }
  std::string FileMask() const { return GetText(kFileMask, kDirChars); }
  void SetFileMask(std::string_view v) { SetText(kFileMask, kDirChars, v); }
  bool InclDirs() const { return GetBool(kInclDirs); }
  void SetInclDirs(bool v) { SetBool(kInclDirs, v); }
  int16_t CopyCriteria() const { return GetInt16(kCopyCriteria); }
  void SetCopyCriteria(int16_t v) { SetInt16(kCopyCriteria, v); }
  int16_t SyncMethod() const { return GetInt16(kSyncMethod); }
  void SetSyncMethod(int16_t v) { SetInt16(kSyncMethod, v); }
  TDateTime LastRun() const { return GetDouble(kLastRun); }
  void SetLastRun(TDateTime v) { SetDouble(kLastRun, v); }
  TDateTime NextRun() const { return GetDouble(kNextRun); }
  void SetNextRun(TDateTime v) { SetDouble(kNextRun, v); }
  int16_t KeepCopyKind() const { return GetInt16(kKeepCopyKind); }
  void SetKeepCopyKind(int16_t v) { SetInt16(kKeepCopyKind, v); }
  int16_t PSDone() const { return GetInt16(kPSDone); }
  void SetPSDone(int16_t v) { SetInt16(kPSDone, v); }
  bool doZIP() const { return GetBool(kdoZIP); }
  void SetdoZIP(bool v) { SetBool(kdoZIP, v); }
  int16_t zipMode() const { return GetInt16(kzipMode); }
  void SetzipMode(int16_t v) { SetInt16(kzipMode, v); }
  bool RemoveDeleted() const { return GetBool(kRemoveDeleted); }
  void SetRemoveDeleted(bool v) { SetBool(kRemoveDeleted, v); }
  TDateTime Interval() const { return GetDouble(kInterval); }
  void SetInterval(TDateTime v) { SetDouble(kInterval, v); }
  bool UseStartTimeEndTime() const { return GetBool(kUseStartTimeEndTime); }
  void SetUseStartTimeEndTime(bool v) { SetBool(kUseStartTimeEndTime, v); }
  TDateTime StartTime() const { return GetDouble(kStartTime); }
  void SetStartTime(TDateTime v) { SetDouble(kStartTime, v); }
  TDateTime FinishTime() const { return GetDouble(kFinishTime); }
  void SetFinishTime(TDateTime v) { SetDouble(kFinishTime, v); }

 private:
  bool GetBool(size_t at) const { return bytes_[at] != std::byte{0}; }
  void SetBool(size_t at, bool v) { bytes_[at] = std::byte{v ? uint8_t{1} : uint8_t{0}}; }
  int16_t GetInt16(size_t at) const;
  void SetInt16(size_t at, int16_t v);
  double GetDouble(size_t at) const;
  void SetDouble(size_t at, double v);
  std::string GetText(size_t at, size_t capacity) const;
  void SetText(size_t at, size_t capacity, std::string_view v);

  Bytes bytes_;
};
static_assert(sizeof(ProfileRecord) == ProfileRecord::kSize);

// The longest prefix of `text` of at most `max_bytes` bytes that does not split a UTF-8
// character.
std::string_view CutUtf8(std::string_view text, size_t max_bytes);

// SyncMethod values of a profile, as stored.
inline constexpr int16_t kSyncOneWay = 0;    // "From Source to Destination only"
inline constexpr int16_t kSyncBothWays = 1;  // both directions
// KeepCopyKind values of a profile, as stored: what becomes of a copy a newer one replaces.
inline constexpr int16_t kKeepNone = 0;
inline constexpr int16_t kKeepSequence = 1;  // kept under a sequence number
inline constexpr int16_t kKeepDateTime = 2;  // kept under the date and time

}  // namespace qm
