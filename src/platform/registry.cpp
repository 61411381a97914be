// Hive file layout, one key per section, values in the order of their names:
//
//   [Software\\Orbanix\\Applications\\Quillmor\\MainForm]
//   Flags=0
//
// Backslashes, control characters, and the characters that would end a name or a section
// ('=', '[', ']') are written as escapes (\\ \n \r \x3D...), so any text round-trips;
// a backslash before any other character is read as itself.
#include "platform/registry.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform/atomic_file.h"
#include "platform/path_style.h"

namespace qm {

namespace {

char Lower(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string Escape(const std::string& s, bool is_value) {
  std::string out;
  out.reserve(s.size());
  for (const char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (u < 0x20 || u == 0x7F || (!is_value && (c == '=' || c == '[' || c == ']'))) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", u);
      out += buf;
    } else {
      out += c;
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = Lower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Unescape(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 >= s.size()) {
      out += s[i];
      continue;
    }
    const char e = s[++i];
    if (e == 'n') {
      out += '\n';
    } else if (e == 'r') {
      out += '\r';
    } else if (e == 'x' && i + 2 < s.size() && HexDigit(s[i + 1]) >= 0 && HexDigit(s[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(s[i + 1]) * 16 + HexDigit(s[i + 2]));
      i += 2;
    } else if (e == '\\') {
      out += '\\';
    } else {
      // Not an escape we write: a hand-edited "Software\Orbanix" keeps its backslash.
      out += '\\';
      out += e;
    }
  }
  return out;
}

}  // namespace

bool Registry::NoCaseLess::operator()(const std::string& a, const std::string& b) const {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const char x = Lower(a[i]), y = Lower(b[i]);
    if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  }
  return a.size() < b.size();
}

Registry::Registry(std::string config_dir, FileSystem& fs) : dir_(std::move(config_dir)), fs_(&fs) {
  dir_.resize(WithoutTrailingSeparators(dir_).size());
}

std::string Registry::HiveFile(Hive hive) const {
  const char* name = hive == Hive::kLocalMachine ? "machine.ini" : "user.ini";
  return dir_.empty() ? std::string(name) : dir_ + "/" + name;
}

std::optional<std::string> Registry::ReadString(Hive hive, const std::string& key,
                                                const std::string& name) const {
  auto values = Load(hive);
  if (!values.ok()) return std::nullopt;
  const auto k = values.value().find(key);
  if (k == values.value().end()) return std::nullopt;
  const auto v = k->second.find(name);
  if (v == k->second.end()) return std::nullopt;
  return v->second;
}

Status Registry::WriteString(Hive hive, const std::string& key, const std::string& name,
                             const std::string& value) {
  auto values = Load(hive);
  if (!values.ok()) return values.error();
  auto& names = values.value()[key];
  const auto it = names.find(name);
  if (it != names.end() && it->second == value && it->first == name) return Status::Ok();
  if (it != names.end()) names.erase(it);  // a name differing only in case takes the new spelling
  names.emplace(name, value);
  return Save(hive, values.value());
}

Status Registry::CreateKey(Hive hive, const std::string&) {
  // Keys hold no data of their own in the hive file: a key exists once it has a value.
  if (auto values = Load(hive); !values.ok()) return values.error();
  return CreateDirectories(*fs_, dir_);
}

Status Registry::WriteStrings(Hive hive, const std::string& key,
                              const std::vector<std::pair<std::string, std::string>>& values) {
  auto loaded = Load(hive);
  if (!loaded.ok()) return loaded.error();
  auto& names = loaded.value()[key];
  for (const auto& [name, value] : values) {
    names.erase(name);  // a name differing only in case takes the new spelling
    names.emplace(name, value);
  }
  return Save(hive, loaded.value());
}

Status Registry::DeleteValue(Hive hive, const std::string& key, const std::string& name) {
  auto values = Load(hive);
  if (!values.ok()) return values.error();
  const auto k = values.value().find(key);
  if (k == values.value().end() || k->second.erase(name) == 0) return Status::Ok();
  if (k->second.empty()) values.value().erase(k);
  return Save(hive, values.value());
}

Result<Registry::Values> Registry::Load(Hive hive) const {
  Values values;
  const std::string path = HiveFile(hive);
  auto file = fs_->OpenRead(path);
  if (!file.ok()) {
    if (file.error().kind == ErrorKind::kNotFound) return values;
    return file.error();
  }
  std::string text;
  std::byte buf[8192];
  for (;;) {
    auto n = file.value()->Read(buf);
    if (!n.ok()) return n.error();
    if (n.value() == 0) break;
    text.append(reinterpret_cast<const char*>(buf), n.value());
  }

  std::map<std::string, std::string, NoCaseLess>* section = nullptr;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      const size_t close = line.rfind(']');
      if (close == std::string_view::npos || close == 0) {
        section = nullptr;  // a damaged header: its values belong to no key
        continue;
      }
      section = &values[Unescape(line.substr(1, close - 1))];
      continue;
    }
    const size_t eq = line.find('=');
    if (section == nullptr || eq == std::string_view::npos) continue;
    (*section)[Unescape(line.substr(0, eq))] = Unescape(line.substr(eq + 1));
  }
  return values;
}

Status Registry::Save(Hive hive, const Values& values) {
  std::string text;
  for (const auto& [key, names] : values) {
    if (names.empty()) continue;
    if (!text.empty()) text += '\n';
    text += '[' + Escape(key, false) + "]\n";
    for (const auto& [name, value] : names) {
      text += Escape(name, false) + '=' + Escape(value, true) + '\n';
    }
  }

  if (Status s = CreateDirectories(*fs_, dir_); !s.ok()) return s;
  // The old file stays whole until the new one is complete on disk.
  return WriteFileAtomically(*fs_, HiveFile(hive), text);
}

}  // namespace qm
