#include "app/save_store.h"

#include <algorithm>
#include <cstdlib>

#include "base/byte_io.h"
#include "base/files.h"
#include "base/hash.h"
#include "base/sjis_text.h"

namespace tavrik {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSaveMagic = "TVKSAVE1";
// The second version adds the states to step back to.
constexpr std::uint32_t kSaveVersion = 2;
constexpr std::string_view kSeenMagic = "TVKSEEN1";  // program positions of one program
constexpr std::string_view kSeenByFingerprint = "TVKSEEN2";
// A save is a few hundred kilobytes at most; a record of waits a few.
constexpr std::uintmax_t kMaxSaveSize = 64u * 1024 * 1024;
constexpr std::size_t kMaxSeen = 10'000'000;

void putBytes(ByteWriter& w, std::span<const std::uint8_t> bytes) {
  w.u32(static_cast<std::uint32_t>(bytes.size()));
  w.out().insert(w.out().end(), bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> getBytes(ByteReader& r) {
  const std::string s = r.string();
  return {s.begin(), s.end()};
}

// The bytes with a check of them at the end.
std::vector<std::uint8_t> sealed(std::vector<std::uint8_t> bytes) {
  ContentHash hash;
  hash.add(bytes.data(), bytes.size());
  ByteWriter w;
  w.u64(hash.value());
  bytes.insert(bytes.end(), w.out().begin(), w.out().end());
  return bytes;
}

// The bytes before the check, when the check holds.
std::optional<std::span<const std::uint8_t>> unsealed(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 8) return std::nullopt;
  const std::span<const std::uint8_t> body = bytes.first(bytes.size() - 8);
  ByteReader r(bytes.last(8));
  ContentHash hash;
  hash.add(body.data(), body.size());
  if (r.u64() != hash.value()) return std::nullopt;
  return body;
}

std::string_view asChars(const std::vector<std::uint8_t>& bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace

std::string summaryOf(std::string_view sjis) {
  std::size_t end = 0;
  for (std::size_t n = 0; n < kSummaryCharacters && end < sjis.size(); ++n)
    end = std::min(sjis.size(), end + sjis::charLength(sjis, end));
  return std::string(sjis.substr(0, end));
}

std::vector<std::uint8_t> encodeSave(const SaveData& save) {
  ByteWriter w;
  w.out().insert(w.out().end(), kSaveMagic.begin(), kSaveMagic.end());
  w.u32(kSaveVersion);
  w.u64(static_cast<std::uint64_t>(save.time));
  w.string(save.title);
  w.string(save.text);
  const bool thumbnail =
      save.thumbnail.size() == static_cast<std::size_t>(kThumbnailWidth) * kThumbnailHeight;
  w.flag(thumbnail);
  if (thumbnail) {
    // Three bytes a pixel: the thumbnail has no transparency.
    for (std::uint32_t p : save.thumbnail) {
      w.u8(static_cast<std::uint8_t>(p >> 16));
      w.u8(static_cast<std::uint8_t>(p >> 8));
      w.u8(static_cast<std::uint8_t>(p));
    }
  }
  putBytes(w, save.history);
  putBytes(w, save.state);
  putBytes(w, save.rollback);
  return sealed(std::move(w.out()));
}

std::optional<SaveData> decodeSave(std::span<const std::uint8_t> bytes, SaveProblem* problem) {
  auto fail = [&](SaveProblem why) -> std::optional<SaveData> {
    if (problem) *problem = why;
    return std::nullopt;
  };
  if (bytes.size() < kSaveMagic.size() + 4 ||
      std::string_view(reinterpret_cast<const char*>(bytes.data()), kSaveMagic.size()) != kSaveMagic)
    return fail(SaveProblem::Damaged);
  ByteReader version(bytes.subspan(kSaveMagic.size(), 4));
  const std::uint32_t made = version.u32();
  if (made > kSaveVersion) return fail(SaveProblem::NewerVersion);
  if (made == 0) return fail(SaveProblem::Damaged);
  const std::optional<std::span<const std::uint8_t>> body = unsealed(bytes);
  if (!body) return fail(SaveProblem::Damaged);
  ByteReader r(body->subspan(kSaveMagic.size() + 4));
  SaveData save;
  save.time = static_cast<std::int64_t>(r.u64());
  // Saves of earlier players kept the whole text; a long one is cut as it is now when saved.
  save.title = summaryOf(r.string());
  save.text = summaryOf(r.string());
  if (r.flag()) {
    constexpr std::size_t pixels = static_cast<std::size_t>(kThumbnailWidth) * kThumbnailHeight;
    if (r.remaining() < pixels * 3) return fail(SaveProblem::Damaged);
    save.thumbnail.resize(pixels);
    for (std::uint32_t& p : save.thumbnail) {
      const std::uint32_t red = r.u8(), green = r.u8(), blue = r.u8();
      p = 0xFF000000u | red << 16 | green << 8 | blue;
    }
  }
  save.history = getBytes(r);
  save.state = getBytes(r);
  if (made >= 2) save.rollback = getBytes(r);
  if (r.failed() || r.remaining() != 0) return fail(SaveProblem::Damaged);
  if (problem) *problem = SaveProblem::None;
  return save;
}

std::vector<std::uint32_t> makeThumbnail(const std::vector<std::uint32_t>& frame, int width, int height) {
  std::vector<std::uint32_t> out;
  if (width <= 0 || height <= 0 || frame.size() != static_cast<std::size_t>(width) * height) return out;
  out.resize(static_cast<std::size_t>(kThumbnailWidth) * kThumbnailHeight);
  for (int ty = 0; ty < kThumbnailHeight; ++ty) {
    const int y0 = ty * height / kThumbnailHeight,
              y1 = std::max(y0 + 1, (ty + 1) * height / kThumbnailHeight);
    for (int tx = 0; tx < kThumbnailWidth; ++tx) {
      const int x0 = tx * width / kThumbnailWidth, x1 = std::max(x0 + 1, (tx + 1) * width / kThumbnailWidth);
      std::uint32_t sum[3] = {0, 0, 0};
      for (int y = y0; y < y1; ++y) {
        const std::uint32_t* row = frame.data() + static_cast<std::size_t>(y) * width;
        for (int x = x0; x < x1; ++x) {
          sum[0] += (row[x] >> 16) & 0xFF;
          sum[1] += (row[x] >> 8) & 0xFF;
          sum[2] += row[x] & 0xFF;
        }
      }
      const std::uint32_t n = static_cast<std::uint32_t>((y1 - y0) * (x1 - x0));
      out[static_cast<std::size_t>(ty) * kThumbnailWidth + tx] =
          0xFF000000u | ((sum[0] + n / 2) / n) << 16 | ((sum[1] + n / 2) / n) << 8 | ((sum[2] + n / 2) / n);
    }
  }
  return out;
}

SaveStore::SaveStore(fs::path folder) : folder_(std::move(folder)) {}

fs::path SaveStore::defaultRoot() {
  const char* data = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  const fs::path base =
      (data && *data == '/') ? fs::path(data) : fs::path(home ? home : ".") / ".local" / "share";
  return base / "tavrik" / "saves";
}

std::string SaveStore::gameFolderName(const fs::path& script) {
  std::error_code ec;
  fs::path absolute = fs::weakly_canonical(fs::absolute(script, ec), ec);
  if (absolute.empty()) absolute = script;
  auto readable = [](const std::string& name) {
    std::string out;
    for (const char c : name) {
      const auto u = static_cast<unsigned char>(c);
      // Names of any script go into a file name: separators and control characters are left out.
      out.push_back((u < 0x20 || c == '/' || c == '\\' || c == ':' || u == 0x7F) ? '_' : c);
    }
    return out.empty() ? std::string("_") : out;
  };
  ContentHash hash;
  hash.add(absolute.string());
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash.value()));
  const std::string folder = absolute.parent_path().filename().string();
  return readable(folder) + "-" + readable(absolute.stem().string()) + "-" + std::string(hex, 8);
}

fs::path SaveStore::slotFile(int slot) const {
  if (slot == kAutoSlot) return folder_ / "auto.sav";
  if (slot == kQuickSlot) return folder_ / "quick.sav";
  char name[16];
  std::snprintf(name, sizeof name, "slot%02d.sav", slot);
  return folder_ / name;
}

bool SaveStore::write(int slot, const SaveData& save) const {
  std::error_code ec;
  fs::create_directories(folder_, ec);
  const std::vector<std::uint8_t> bytes = encodeSave(save);
  return writeFileAtomically(slotFile(slot), asChars(bytes));
}

std::optional<SaveData> SaveStore::read(int slot, SaveProblem* problem) const {
  ReadStatus status = ReadStatus::Ok;
  const std::optional<std::string> bytes = readRegularFile(slotFile(slot), kMaxSaveSize, false, &status);
  if (!bytes) {
    // The player never writes a save of that size: a larger file is no save of its.
    if (problem)
      *problem = status == ReadStatus::Missing    ? SaveProblem::Missing
                 : status == ReadStatus::TooLarge ? SaveProblem::Damaged
                                                  : SaveProblem::Unreadable;
    return std::nullopt;
  }
  return decodeSave({reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()}, problem);
}

bool SaveStore::exists(int slot) const {
  std::error_code ec;
  return fs::is_regular_file(slotFile(slot), ec);
}

void SaveStore::remove(int slot) const {
  std::error_code ec;
  fs::remove(slotFile(slot), ec);
}

void SeenWaits::load(const fs::path& file, std::uint64_t program, Fingerprints fingerprints) {
  reset(program, std::move(fingerprints));
  const std::optional<std::string> bytes = readFile(file, kMaxSaveSize);
  if (!bytes) return;
  const std::span<const std::uint8_t> all(reinterpret_cast<const std::uint8_t*>(bytes->data()),
                                          bytes->size());
  const std::optional<std::span<const std::uint8_t>> body = unsealed(all);
  if (!body || body->size() < kSeenMagic.size()) return;
  const std::string_view magic(reinterpret_cast<const char*>(body->data()), kSeenMagic.size());
  ByteReader r(body->subspan(kSeenMagic.size()));
  std::set<std::uint64_t> seen;
  if (magic == kSeenByFingerprint) {
    const std::size_t count = r.count(8);
    if (count > kMaxSeen) return;
    for (std::size_t i = 0; i < count; ++i) seen.insert(r.u64());
  } else if (magic == kSeenMagic) {
    if (r.u64() != program) return;
    const std::size_t count = r.count(4);
    if (count > kMaxSeen) return;
    for (std::size_t i = 0; i < count; ++i) seen.insert(fingerprints_(r.i32()));
  } else {
    return;
  }
  if (r.failed() || r.remaining() != 0) return;
  seen_ = std::move(seen);
}

bool SeenWaits::save(const fs::path& file) {
  ByteWriter w;
  w.out().insert(w.out().end(), kSeenByFingerprint.begin(), kSeenByFingerprint.end());
  w.u32(static_cast<std::uint32_t>(seen_.size()));
  for (std::uint64_t fingerprint : seen_) w.u64(fingerprint);
  std::error_code ec;
  fs::create_directories(file.parent_path(), ec);
  const std::vector<std::uint8_t> bytes = sealed(std::move(w.out()));
  if (!writeFileAtomically(file, asChars(bytes))) return false;
  changed_ = false;
  return true;
}

}  // namespace tavrik
