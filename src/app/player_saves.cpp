#include "app/player_saves.h"

#include <ctime>

#include "app/app_frame.h"
#include "base/files.h"
#include "base/text_encoding.h"
#include "script/runtime/script_engine.h"

namespace tavrik {

namespace {

constexpr const char* kSaveCaption = "セーブ";
constexpr const char* kLoadCaption = "ロード";

std::string problemText(SaveProblem problem) {
  switch (problem) {
    case SaveProblem::Missing:
      return "セーブがありません。\n(there is no save in this slot)";
    case SaveProblem::NewerVersion:
      return "新しい版のプレーヤーで作られたセーブなので、ロードできません。\n"
             "(the save was made by a newer version of the player)";
    case SaveProblem::Unreadable:
      return "セーブのファイルを読めません。\n(the save file cannot be read)";
    default:
      return "セーブが壊れているので、ロードできません。\n(the save is damaged or cut short)";
  }
}

std::string refusalText(StateError error) {
  if (error == StateError::OtherProgram)
    return "スクリプトが変更される前のセーブなので、ロードできません。\n"
           "(the save was made with another version of the script)";
  if (error == StateError::NewerVersion) return problemText(SaveProblem::NewerVersion);
  return problemText(SaveProblem::Damaged);
}

std::string localDate(std::int64_t time) {
  const std::time_t t = static_cast<std::time_t>(time);
  std::tm local{};
  if (!localtime_r(&t, &local)) return {};
  char text[32];
  std::strftime(text, sizeof text, "%Y/%m/%d %H:%M", &local);
  return text;
}

// The first line of Shift-JIS text, in UTF-8.
std::string firstLine(const std::string& sjis) {
  const std::string utf8 = sjisToUtf8(sjis);
  return utf8.substr(0, utf8.find('\n'));
}

std::vector<std::uint32_t> thumbnailOf(GraphicsDevice& graphics) {
  std::vector<std::uint32_t> frame;
  if (!graphics.readFrame(frame)) return {};
  return makeThumbnail(frame, GraphicsDevice::kWidth, GraphicsDevice::kHeight);
}

}  // namespace

std::string slotName(int slot) {
  if (slot == kQuickSlot) return "クイックセーブ";
  if (slot == kAutoSlot) return "前回の続き";
  return "スロット" + std::to_string(slot);
}

PlayerSaves::PlayerSaves(const std::filesystem::path& folder, std::uint64_t program) : store_(folder) {
  for (int slot = kAutoSlot; slot <= kSlotCount; ++slot) removeStaleTemporaryFiles(store_.slotFile(slot));
  seen_.load(store_.seenFile(), program);
}

void PlayerSaves::writeSeen() {
  if (seen_.changed()) seen_.save(store_.seenFile());
}

bool PlayerSaves::save(int slot, ScriptEngine& engine, AppFrame& frame) {
  SaveData save;
  save.time = static_cast<std::int64_t>(std::time(nullptr));
  save.title = summaryOf(frame.graphics().title());
  // What was said, not the caption of a choice button shown after it.
  if (const HistoryEntry* said = engine.history().lastSaid()) save.text = summaryOf(said->text());
  // A save made from the screen shows the game as it was before the screen covered it.
  const bool fromScreen = !screenThumbnail_.empty() && slot != kAutoSlot;
  save.thumbnail = fromScreen ? screenThumbnail_ : thumbnailOf(frame.graphics());
  save.history = engine.history().encode();
  save.state = engine.states().save();
  if (!store_.write(slot, save)) {
    frame.ask(kSaveCaption,
              slotName(slot) + "にセーブできませんでした。前のセーブはそのまま残っています。\n" +
                  store_.slotFile(slot).string() +
                  "\n(the save could not be written; the earlier one is kept)",
              BoxButtons::Ok);
    return false;
  }
  writeSeen();
  return true;
}

bool PlayerSaves::load(int slot, ScriptEngine& engine, AppFrame& frame) {
  SaveProblem problem = SaveProblem::None;
  const std::optional<SaveData> save = store_.read(slot, &problem);
  std::optional<History> history;
  if (save) {
    history = History::decode(save->history);
    if (!history) problem = SaveProblem::Damaged;
  }
  if (!save || !history) {
    frame.ask(kLoadCaption, slotName(slot) + "：" + problemText(problem), BoxButtons::Ok);
    return false;
  }
  if (const std::optional<StateError> refused = engine.states().restore(save->state)) {
    frame.ask(kLoadCaption, slotName(slot) + "：" + refusalText(*refused), BoxButtons::Ok);
    return false;
  }
  engine.setHistory(std::move(*history));
  return true;
}

bool PlayerSaves::wantsToContinue(AppFrame& frame) {
  if (!store_.exists(kAutoSlot)) return false;
  const BoxAnswer answer = frame.ask("再開",
                                     "前回の続きから再開しますか？\n"
                                     "（キャンセルを選ぶと最初から始めます）\n"
                                     "(continue where you left off? Cancel starts from the beginning)",
                                     BoxButtons::OkCancel);
  return !frame.closing() && answer == BoxAnswer::Ok;
}

void PlayerSaves::keepScreenThumbnail(AppFrame& frame) {
  if (screenThumbnail_.empty()) screenThumbnail_ = thumbnailOf(frame.graphics());
}

std::vector<SlotView> PlayerSaves::slotViews(SlotScreen::Mode mode, const StateReader& reader) const {
  std::vector<int> slots;
  for (int slot = 1; slot <= kSlotCount; ++slot) slots.push_back(slot);
  if (mode == SlotScreen::Mode::Load) slots.insert(slots.end(), {kQuickSlot, kAutoSlot});
  std::vector<SlotView> views;
  for (int slot : slots) {
    SlotView view;
    view.slot = slot;
    view.labelUtf8 = slot > 0 ? "スロット " + std::to_string(slot) : slotName(slot);
    view.marked = slot <= 0;
    SaveProblem problem = SaveProblem::None;
    if (std::optional<SaveData> save = store_.read(slot, &problem)) {
      view.used = true;
      view.dateUtf8 = localDate(save->time);
      view.textUtf8 = firstLine(save->text);
      view.thumbnail = std::move(save->thumbnail);
      const DecodedState state = reader.decode(save->state);
      if (!state.state)
        view.problemUtf8 = state.error == StateError::OtherProgram ? "スクリプトが変更される前のセーブです"
                                                                   : "壊れたセーブです";
    } else if (problem != SaveProblem::Missing) {
      view.used = true;
      view.problemUtf8 = "壊れたセーブです";
    }
    views.push_back(std::move(view));
  }
  return views;
}

}  // namespace tavrik
