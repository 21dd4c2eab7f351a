#include "app/player_saves.h"

#include <ctime>

#include "app/app_frame.h"
#include "base/files.h"
#include "base/messages.h"
#include "base/text_encoding.h"
#include "script/runtime/script_engine.h"

namespace tavrik {

namespace {

std::string problemText(SaveProblem problem) {
  switch (problem) {
    case SaveProblem::Missing:
      return ja(MessageId::LoadMissing);
    case SaveProblem::NewerVersion:
      return ja(MessageId::LoadNewerVersion);
    case SaveProblem::Unreadable:
      return ja(MessageId::LoadUnreadable);
    default:
      return ja(MessageId::LoadDamaged);
  }
}

std::string refusalText(StateError error) {
  if (error == StateError::OtherProgram) return ja(MessageId::LoadOtherScript);
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
  if (slot == kQuickSlot) return ja(MessageId::SlotQuick);
  if (slot == kAutoSlot) return ja(MessageId::SlotAuto);
  return ja(MessageId::SlotNumbered, {std::to_string(slot)});
}

PlayerSaves::PlayerSaves(const std::filesystem::path& folder, const ScriptEngine& engine) : store_(folder) {
  for (int slot = kAutoSlot; slot <= kSlotCount; ++slot) removeStaleTemporaryFiles(store_.slotFile(slot));
  readSeen(engine);
}

void PlayerSaves::readSeen(const ScriptEngine& engine) {
  // The program's places are worked out when a wait is first passed, not before the first frame.
  seen_.load(store_.seenFile(), engine.program().identity, [&engine](std::int32_t position) {
    return engine.states().reader().places().fingerprint(position);
  });
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
  save.rollback = engine.rollback().encode(engine.history());
  if (!store_.write(slot, save)) {
    frame.ask(ja(MessageId::SaveCaption),
              ja(MessageId::SaveFailed, {slotName(slot), store_.slotFile(slot).string()}), BoxButtons::Ok);
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
    frame.ask(ja(MessageId::LoadCaption), ja(MessageId::LoadProblem, {slotName(slot), problemText(problem)}),
              BoxButtons::Ok);
    return false;
  }
  const DecodedState decoded = engine.states().reader().decode(save->state);
  if (!decoded.state) {
    const std::string why = decoded.lost
                                ? ja(MessageId::LoadUnplaced,
                                     {sjisToUtf8(decoded.lost->file), std::to_string(decoded.lost->line + 1)})
                                : refusalText(decoded.error);
    frame.ask(ja(MessageId::LoadCaption), ja(MessageId::LoadProblem, {slotName(slot), why}), BoxButtons::Ok);
    return false;
  }
  engine.states().restore(*decoded.state);
  engine.setHistory(std::move(*history));
  engine.rollback().decode(save->rollback, engine.states().reader(), engine.history());
  return true;
}

bool PlayerSaves::wantsToContinue(AppFrame& frame, const StateReader& reader) {
  // Only a play that loads is offered: one the script's update left no place for is not.
  const std::optional<SaveData> save = store_.read(kAutoSlot, nullptr);
  if (!save || !History::decode(save->history)) return false;
  const DecodedState state = reader.decode(save->state);
  if (!state.state) return false;
  std::string question = ja(MessageId::ContinueQuestion);
  if (!save->text.empty()) question += "\n\n" + ja(MessageId::ContinueFrom, {firstLine(save->text)});
  if (state.updated) question += "\n" + ja(MessageId::SlotsBeforeUpdate);
  const BoxAnswer answer = frame.ask(ja(MessageId::ContinueCaption), question, BoxButtons::OkCancel,
                                     BoxPicture{save->thumbnail, kThumbnailWidth, kThumbnailHeight});
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
    view.labelUtf8 = slot > 0 ? ja(MessageId::SlotLabel, {std::to_string(slot)}) : slotName(slot);
    view.marked = slot <= 0;
    SaveProblem problem = SaveProblem::None;
    if (std::optional<SaveData> save = store_.read(slot, &problem)) {
      view.used = true;
      view.dateUtf8 = localDate(save->time);
      view.textUtf8 = firstLine(save->text);
      view.thumbnail = std::move(save->thumbnail);
      const DecodedState state = reader.decode(save->state);
      if (state.updated) view.noteUtf8 = ja(MessageId::SlotsBeforeUpdate);
      if (!state.state)
        view.problemUtf8 = ja(state.error == StateError::OtherProgram ? MessageId::SlotsOtherScript
                              : state.error == StateError::Unplaced   ? MessageId::SlotsUnplaced
                                                                      : MessageId::SlotsDamaged);
    } else if (problem != SaveProblem::Missing) {
      view.used = true;
      view.problemUtf8 = ja(MessageId::SlotsDamaged);
    }
    views.push_back(std::move(view));
  }
  return views;
}

}  // namespace tavrik
