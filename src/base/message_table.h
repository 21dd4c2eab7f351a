// The table of every text the player shows or prints: X(id, Japanese, English), UTF-8, in sections.
// {1}..{9} stand for the arguments; both languages take the same ones, in whatever order their sentence
// wants them. messages.h makes the ids and reads the texts; include that, not this.
//
// A row whose text is only shown in one language today still has the other written, so that a choice of
// language needs no new rows. A text shown today in Japanese with its English beside it is one row: the
// Japanese column holds it as it is shown, the English column the English alone, with every argument.
// Compile errors are shown in Shift-JIS with the script's own line: their Japanese must stay within code
// page 932.
#pragma once

// clang-format off
#define TAVRIK_MESSAGES(X) \
  /* The player: start-up and the command line */ \
  X(AppTitle, "Tavrikアドベンチャーゲームシステム Ver.{1}", "Tavrik adventure game system Ver.{1}") \
  X(StartupErrorCaption, "起動エラー", "Start-up error") \
  X(ScriptErrorCaption, "スクリプトエラー", "Script error") \
  X(StartupNoDisplay, \
    "ディスプレイがありません（DISPLAYもWAYLAND_DISPLAYも設定されていません）。\n" \
    "画面なしで動かすには --headless を付けてください。\n" \
    "(no display: neither DISPLAY nor WAYLAND_DISPLAY is set; --headless runs without one)", \
    "no display: neither DISPLAY nor WAYLAND_DISPLAY is set; --headless runs without one") \
  X(StartupNoVideo, "Direct3Dの初期化に失敗しました。\n（{1}）", "the graphics could not be started\n({1})") \
  X(StartupNoDevice, \
    "Direct3Dの初期化に失敗しました。\n（DirectX 9.0以上と対応ビデオカードおよびドライバが必要です。）\n{1}", \
    "the graphics could not be started\n(DirectX 9.0 or later and a video card and driver for it are " \
    "needed)\n{1}") \
  X(SessionNoDisplay, "DISPLAYもWAYLAND_DISPLAYも設定されていません", "neither DISPLAY nor WAYLAND_DISPLAY is set") \
  X(EventsFileMissing, "イベントファイル{1}が見つかりません。", "events file {1} not found") \
  X(EventsFileNotRegular, "イベントファイル{1}は通常のファイルではありません。", "events file {1} is not a regular file") \
  X(EventsFileTooLarge, "イベントファイル{1}は大きすぎます（16 MBまで）。", "events file {1} is too large (16 MB at most)") \
  X(EventsFileUnreadable, "イベントファイル{1}を読めません。", "events file {1} cannot be read") \
  X(ScriptNotGiven, "スクリプトファイルを指定してください。", "give a script file") \
  X(ScriptNotReadable, "{1}はスクリプトとして読めるファイルではありません。", "{1} is not a file a script can be read from") \
  X(ScriptFileMissing, "{1}というスクリプトファイルは見つかりません。", "no script file {1}") \
  X(OptionFramesNeedsNumber, "--framesにはフレーム数（1以上）が要ります", "--frames needs a number of frames (1 or more)") \
  X(OptionNeedsFileName, "{1}にはファイル名が要ります", "{1} needs a file name") \
  X(OptionScreenshotNeedsPng, "--screenshotには.pngで終わるファイル名が要ります", \
    "--screenshot needs a file name ending in .png") \
  X(OptionAudioOutNeedsWav, "--audio-outには.wavで終わるファイル名が要ります", \
    "--audio-out needs a file name ending in .wav") \
  X(OptionAudioOutNeedsHeadless, "--audio-outは--headlessと使います", "--audio-out works only with --headless") \
  X(OptionSavesNeedsFolder, "--savesにはフォルダーが要ります", "--saves needs a folder") \
  X(OptionGotoNeedsLine, "--gotoにはFILE:LINEが要ります（LINEは1以上）", "--goto needs FILE:LINE, the line 1 or more") \
  X(OptionFormatNeedsName, "--formatにはtextかjsonが要ります", "--format needs text or json") \
  X(Usage, \
    "使い方: tavrik [SCRIPT.tvk [-f] [-nce|-noconfirmexit]] [-n|--new] [--saves DIR] [自動化のオプション]\n" \
    "\n" \
    "Tavrikのアドベンチャーゲームのスクリプトを再生します。スクリプトがなければ、実行ファイルの横の\n" \
    "credit/credit.tvkを再生します。スクリプトは最初の引数に書きます。最初の引数はいつもスクリプトと\n" \
    "みなされるので、プレーヤーのオプションはその後に書きます。\n" \
    "\n" \
    "プレーヤーのオプション:\n" \
    "  -f                   全画面で始める\n" \
    "  -nce, -noconfirmexit 確認せずに閉じる\n" \
    "\n" \
    "セーブ（どこに書いてもかまいません）:\n" \
    "  -n, --new            前回の続きから再開するかを尋ねずに最初から始める\n" \
    "  --saves DIR          セーブと既読の記録をDIRに置く\n" \
    "\n" \
    "作者向け（どこに書いてもかまいません）:\n" \
    "  --no-reload          スクリプトのファイルが変わっても再生し直さない\n" \
    "  --goto FILE:LINE     FILEのLINE行目以降で最初の入力待ちまで早送りする\n" \
    "  --debug              メニューにデバッグ表示（F12）を加える\n" \
    "\n" \
    "自動化のオプション（どこに書いてもかまいません）:\n" \
    "  --headless           ウィンドウも音もなし。ソフトウェアで描き、フレームを続けざまに進める\n" \
    "  --frames N           Nフレームの後に普通に終わる（1以上）\n" \
    "  --screenshot FILE    終わるときに最後のフレームをPNG画像で書く（FILE.png）\n" \
    "  --audio-out FILE     --headlessで、全チャネルの音をWAVファイルに書く（1フレームに\n" \
    "                       44100/60サンプル、毎回同じバイト列）\n" \
    "  --events FILE        フレーム番号ごとの入力（move, down, up, click, keydown, keyup, key,\n" \
    "                       command, close, save-state, save, load, skip, auto, rollback,\n" \
    "                       history-return, text-speed, click-completes, pad, pad-axis,\n" \
    "                       speak）、1行に1つ\n" \
    "  --restore-state FILE save-stateで書いた状態から始める。フレームは0から数える\n" \
    "  --dump-variables     終わるときにすべての変数をname=valueの形で書く\n" \
    "  --check              スクリプトをコンパイルするだけ。最初のエラーを示し、1で終わる\n" \
    "  --lint               スクリプトの誤りを点検する。エラーの後も続け、1行に1つ示す\n" \
    "                       （FILE:LINE:COLUMN: error または warning: メッセージ）。エラーがあれば1で終わる\n" \
    "  --format FORMAT      --lintの出力の形式：text（既定）またはjson\n" \
    "  --help               このヘルプを示す\n" \
    "  --version            版を示す\n", \
    "Usage: tavrik [SCRIPT.tvk [-f] [-nce|-noconfirmexit]] [-n|--new] [--saves DIR] [automation options]\n" \
    "\n" \
    "Plays a Tavrik adventure game script. Without a script it plays credit/credit.tvk beside the\n" \
    "executable. The script must be the first argument: the player options follow it, as a first\n" \
    "argument is always taken for the script.\n" \
    "\n" \
    "Player options:\n" \
    "  -f                   start in fullscreen\n" \
    "  -nce, -noconfirmexit close without asking for confirmation\n" \
    "\n" \
    "Saves (may stand anywhere):\n" \
    "  -n, --new            start from the beginning without offering to continue the last play\n" \
    "  --saves DIR          keep the saves and the record of what was read in DIR\n" \
    "\n" \
    "For authors (may stand anywhere):\n" \
    "  --no-reload          do not play the script again when its files change\n" \
    "  --goto FILE:LINE     fast-forward to the first input wait at or after LINE of FILE\n" \
    "  --debug              offer the debug view (F12) in the menu\n" \
    "\n" \
    "Automation options (may stand anywhere):\n" \
    "  --headless           no window and no sound; software rendering, frames back to back\n" \
    "  --frames N           end normally after N frames (1 or more)\n" \
    "  --screenshot FILE    at exit, write the last frame as a PNG picture (FILE.png)\n" \
    "  --audio-out FILE     with --headless, write the mix of every channel to a WAV file\n" \
    "                       (44100/60 samples a frame, the same bytes every run)\n" \
    "  --events FILE        input by frame number (move, down, up, click, keydown, keyup, key,\n" \
    "                       command, close, save-state, save, load, skip, auto, rollback,\n" \
    "                       history-return, text-speed, click-completes, pad, pad-axis,\n" \
    "                       speak), one event a line\n" \
    "  --restore-state FILE start from a state written by save-state; frames count from 0\n" \
    "  --dump-variables     at exit, print every variable as name=value\n" \
    "  --check              only compile the script; report the first error and exit 1\n" \
    "  --lint               check the script for mistakes, going on past errors: one finding a\n" \
    "                       line (FILE:LINE:COLUMN: error or warning: message); exit 1 on errors\n" \
    "  --format FORMAT      how --lint writes its findings: text (the default) or json\n" \
    "  --help               show this help\n" \
    "  --version            show the version\n") \
  \
  /* The player: boxes and the frame */ \
  X(BoxOk, "OK", "OK") \
  X(BoxCancel, "キャンセル", "Cancel") \
  X(ExitCaption, "終了確認", "Quit") \
  X(ExitQuestion, "終了してもよろしいですか？", "quit the game?") \
  X(HelpCaption, "ヘルプ", "Help") \
  X(HelpCannotOpen, "ページを開けません（xdg-openが見つかりません）。\n{1}", \
    "the page cannot be opened (xdg-open is not found)\n{1}") \
  X(VersionCaption, "バージョン情報", "Version") \
  X(VersionText, \
    "「{1}」\n\nCopyright (C) 2026 The Tavrik developers\n[OK]を押すと下記のサポートWebサイトが開きます。\n（{2}）", \
    "\"{1}\"\n\nCopyright (C) 2026 The Tavrik developers\n[OK] opens the support website below.\n({2})") \
  X(NoticeClose, "閉じる", "Close") \
  X(ScreenCloseAction, "閉じる", "Close") \
  X(ModeSkip, "スキップ", "Skip") \
  X(ModeAuto, "オート", "Auto") \
  X(ModeFastForward, "早送り", "Fast-forward") \
  X(ScriptFileType, "Tavrikアドベンチャースクリプト", "Tavrik adventure script") \
  \
  /* The player: saves and the screens (a box's text that shows its English too holds it in Japanese) */ \
  X(SaveCaption, "セーブ", "Save") \
  X(LoadCaption, "ロード", "Load") \
  X(DeleteCaption, "削除", "Delete") \
  X(ContinueCaption, "再開", "Continue") \
  X(ContinueQuestion, \
    "前回の続きから再開しますか？\n（キャンセルを選ぶと最初から始めます）\n" \
    "(continue where you left off? Cancel starts from the beginning)", \
    "continue where you left off? Cancel starts from the beginning") \
  X(ContinueFrom, "続き：「{1}」", "from: \"{1}\"") \
  X(SlotQuick, "クイックセーブ", "quick save") \
  X(SlotAuto, "前回の続き", "last play") \
  X(SlotNumbered, "スロット{1}", "slot {1}") \
  X(SlotLabel, "スロット {1}", "Slot {1}") \
  X(SavedToast, "{1}にセーブしました", "saved to {1}") \
  X(RollbackRefused, "これより前には戻れません", "cannot go back further") \
  X(ScreenshotKept, "スクリーンショット {1} を保存しました", "screenshot {1} kept") \
  X(ScreenshotNotKept, "スクリーンショットを {1} に保存できませんでした", "the screenshot could not be written to {1}") \
  X(RollbackNoEntry, "その本文は履歴にありません", "no such text in the history") \
  X(LoadedToast, "{1}をロードしました", "{1} loaded") \
  X(SaveFailed, \
    "{1}にセーブできませんでした。前のセーブはそのまま残っています。\n{2}\n" \
    "(the save could not be written; the earlier one is kept)", \
    "{1} could not be saved; the earlier save is kept\n{2}") \
  X(SaveOverwrite, "{1}のセーブに上書きしますか？\n(overwrite the save in this slot?)", \
    "overwrite the save in {1}?") \
  X(SaveDelete, "{1}のセーブを削除しますか？\n(delete the save in this slot?)", "delete the save in {1}?") \
  X(LoadProblem, "{1}：{2}", "{1}: {2}") \
  X(LoadMissing, "セーブがありません。\n(there is no save in this slot)", "there is no save in this slot") \
  X(LoadNewerVersion, \
    "新しい版のプレーヤーで作られたセーブなので、ロードできません。\n" \
    "(the save was made by a newer version of the player)", \
    "the save was made by a newer version of the player") \
  X(LoadUnreadable, "セーブのファイルを読めません。\n(the save file cannot be read)", "the save file cannot be read") \
  X(LoadDamaged, "セーブが壊れているので、ロードできません。\n(the save is damaged or cut short)", \
    "the save is damaged or cut short") \
  X(LoadOtherScript, \
    "古い形式のセーブで、その後スクリプトが変更されたので、ロードできません。\n" \
    "(the save is in the old format and the script has changed since)", \
    "the save is in the old format and the script has changed since") \
  X(LoadUnplaced, \
    "スクリプトが更新され、セーブした場面がなくなったので、ロードできません。\n" \
    "（更新前の{1}の{2}行目）\n" \
    "(the script was updated and the saved moment is no longer in it)", \
    "the script was updated and the saved moment ({1} line {2} before the update) is no longer in it") \
  X(SlotsChooseSave, "セーブする場所を選んでください", "choose where to save") \
  X(SlotsChooseLoad, "ロードするセーブを選んでください", "choose the save to load") \
  X(SlotsEmpty, "（空き）", "(empty)") \
  X(SlotsOtherScript, "古い形式のセーブで、スクリプトが変更されています", "old format, and the script has changed") \
  X(SlotsUnplaced, "更新で消えた場面", "its moment is gone") \
  X(SlotsDamaged, "壊れたセーブです", "a damaged save") \
  X(SlotsBeforeUpdate, "更新前のセーブ", "Saved before an update") \
  X(SlotsHint, "←→↑↓で選択  Enterで決定  Deleteで削除", "←→↑↓ choose  Enter pick  Delete remove") \
  X(SettingsTitle, "設定", "Settings") \
  X(SettingsMasterVolume, "全体の音量", "All sound") \
  X(SettingsMusicVolume, "音楽の音量", "Music") \
  X(SettingsEffectVolume, "効果音の音量", "Sound effects") \
  X(SettingsAutoPause, "オートの待ち時間", "Auto mode's pause") \
  X(SettingsPausePerCharacter, "1文字ごとの追加", "Added a character") \
  X(SettingsTextSpeed, "文字の速さ", "Text speed") \
  X(SettingsClickCompletes, "クリックで全文", "Click shows all") \
  X(SettingsTextWhole, "一瞬", "At once") \
  X(SettingsOn, "オン", "On") \
  X(SettingsOff, "オフ", "Off") \
  X(SettingsMute, "ミュート", "Mute") \
  X(SettingsMuted, "ミュート中", "Muted") \
  X(SettingsMutedLevel, "ミュート中 {1}", "Muted {1}") \
  X(SettingsSeconds, "{1}秒", "{1} s") \
  X(SettingsHint, "↑↓で選択、←→で変更、Enterでミュート", "↑↓ choose, ←→ change, Enter mutes") \
  X(HistoryTitle, "履歴", "History") \
  X(HistoryEmpty, "履歴はありません", "nothing has been said yet") \
  X(HistoryHint, "↑↓ PageUp PageDown ホイールでスクロール", "↑↓ PageUp PageDown and the wheel scroll") \
  X(HistoryReturn, "ここに戻る", "Return here") \
  \
  /* The player: the authors' tools */ \
  X(GotoNotAScript, \
    "--goto：{1}はこのゲームのスクリプトファイルではありません。\n({1} is none of the game's script files)", \
    "--goto: {1} is none of the game's script files") \
  X(GotoPastEnd, "--goto：{1}は{2}行までです。\n({1} has {2} lines)", "--goto: {1} has {2} lines") \
  X(ReloadEditorLine, "（エディターでは{1}行目 / line {1} in an editor）", "(line {1} in an editor)") \
  X(ReloadNoCommands, \
    "スクリプト「{1}」には命令がありません。ゲームはそのまま続きます。\n(the script has no commands; the game goes on)", \
    "script '{1}' has no commands; the game goes on") \
  \
  /* The player: automation, and what standard error tells after "tavrik: " */ \
  X(StateFileUnreadable, "状態ファイル{1}を読めません", "cannot read the state file {1}") \
  X(StateFileUnwritable, "状態ファイル{1}を書けません", "cannot write the state file {1}") \
  X(ScreenshotUnwritable, "スクリーンショット{1}を書けません", "cannot write the screenshot {1}") \
  X(AudioOutUnwritable, "音をファイル{1}に書けません", "cannot write the sound to {1}") \
  X(SettingsFileCut, "設定ファイル「{1}」は{2}KBを超えているので、初めの{2}KBだけを読みます。", \
    "the settings file '{1}' is over {2} KB: only its first {2} KB are read") \
  X(AssociationNotRegular, "{1}は通常のファイルではないので、デスクトップへの登録ではそのままにします", \
    "{1} is not a regular file; the desktop registration leaves it alone") \
  X(AssociationSkipped, "デスクトップへの登録をしません：{1}に改行、制御文字、またはUTF-8でないバイトがあります", \
    "the desktop registration is skipped: {1} holds a line break, a control character or bytes that are " \
    "not UTF-8") \
  X(UrlShown, "{1}を開きます", "open {1}") \
  X(UrlNoOpener, "{1}を開けません：xdg-openがPATHにありません", "cannot open {1}: xdg-open is not on the PATH") \
  X(UrlNotOpened, "{1}を開けません：{2}", "cannot open {1}: {2}") \
  X(SoundLibraryIncomplete, "{1}にはプレーヤーが使う関数がそろっていません", "{1} lacks functions the player uses") \
  X(MidiPatchesUnreadable, "MIDIの音色を読めません（{1}）。MIDIの曲は鳴りません", \
    "the MIDI patches could not be read ({1}): tunes stay silent") \
  X(SpeechDispatcherUnanswered, "speech-dispatcherが応答しません：{1}", "speech-dispatcher does not answer: {1}") \
  X(SpeechEspeakNoVoice, "espeak-ngに「{1}」の声がありません", "espeak-ng has no voice for '{1}'") \
  X(SpeechEspeakInUse, "espeak-ngはこのプロセスの別の読み上げが使っています", \
    "espeak-ng is taken by another speech in this process") \
  X(SpeechNothing, "文章を読み上げるものがありません", "nothing can read the text aloud") \
  X(SpeechServiceSilent, "speech-dispatcherが{1}ミリ秒たっても応答しません", \
    "speech-dispatcher did not answer within {1} ms") \
  X(WarnLineHeldByBox, "警告：フレーム{1}：「{2}」はボックスが開いている間に来たので、行いませんでした", \
    "warning: frame {1}: \"{2}\" came while a box was open; it was not done") \
  X(WarnEventsAfterBox, \
    "警告：フレーム{1}：同じフレームでボックスに答えた後にイベントがあと{2}個来たので、行いませんでした", \
    "warning: frame {1}: {2} more event(s) came after the box was answered in the same frame; they were " \
    "not done") \
  X(WarnNoSuchCommand, "警告：フレーム{1}：IDが{2}のメニューコマンドはないので、何もしません", \
    "warning: frame {1}: no menu command has the id {2}; it does nothing") \
  X(WarnEventsAfterEnd, \
    "警告：イベントファイルはフレーム{1}まで続きますが、実行はフレーム{2}で終わったので、その後のイベントは再生していません", \
    "warning: the events file goes on to frame {1}, but the run ended at frame {2}; the events after it " \
    "were not played") \
  \
  /* The player: what self-voicing says of itself and of a choice */ \
  X(SpeechOn, "読み上げ：オン", "reading aloud: on") \
  X(SpeechOff, "読み上げ：オフ", "reading aloud: off") \
  X(ClipboardTextOn, "本文をクリップボードへ：オン", "text to the clipboard: on") \
  X(ClipboardTextOff, "本文をクリップボードへ：オフ", "text to the clipboard: off") \
  X(SpeechChoice, "選択肢 {1}／{2}：{3}", "choice {1} of {2}: {3}") \
  X(SpeechNoVoice, "読み上げる声がありません（{1}）", "no voice to read aloud with ({1})") \
  \
  /* The player: the events file's mistakes, each after "line N: " */ \
  X(EventsLine, "{1}行目：{2}", "line {1}: {2}") \
  X(EventsNoFrame, "フレーム番号が要りますが、「{1}」でした", "expected a frame number, got \"{1}\"") \
  X(EventsFramePastLast, "フレーム{1}は最後のフレーム{2}より後です", "frame {1} is past the last, {2}") \
  X(EventsNoEvent, "フレーム番号の後にイベントが要ります", "expected an event after the frame number") \
  X(EventsNoPosition, "XとYがピクセルで要ります", "expected X and Y in pixels") \
  X(EventsNoButton, "left、middle、right、backのどれかが要ります", "expected left, middle, right or back") \
  X(EventsUnknownKey, "「{1}」というキーの名前はありません", "unknown key name \"{1}\"") \
  X(EventsNoCommand, "コマンドのIDか名前が要ります", "expected a command id or name") \
  X(EventsNoSlot, "0（クイック）から10までのスロットが要ります", "expected a slot from 0 (quick) to 10") \
  X(EventsNoSwitch, "onかoffが要ります", "expected on or off") \
  X(EventsNoSteps, "1以上の待ちの数が要ります", "expected a number of waits, 1 or more") \
  X(EventsNoEntry, "0以上の履歴の番号が要ります", "expected a history entry number, 0 or more") \
  X(EventsNoSpeed, "0.5、1、1.5、2、3、4、instantのどれかが要ります", "expected 0.5, 1, 1.5, 2, 3, 4 or instant") \
  X(EventsNoPadButton, "1から9のボタンかup、down、left、rightと、downかupが要ります", \
    "expected a button 1 to 9 or up, down, left or right, then down or up") \
  X(EventsNoStick, "XとYが-1から1で要ります", "expected X and Y from -1 to 1") \
  X(EventsCannotRead, "「{1}」は引数{2}個では読めません", "cannot read \"{1}\" with {2} argument(s)") \
  \
  /* The player: the debug view */ \
  X(DebugTitle, "デバッグ", "Debug") \
  X(DebugStatus, "場所 {1}   フレーム {2}   {3} ミリ秒", "at {1}   frame {2}   {3} ms") \
  X(DebugPause, "一時停止", "Pause") \
  X(DebugResume, "再開", "Resume") \
  X(DebugStep, "1フレーム進める", "One frame") \
  X(DebugVariables, "変数", "Variables") \
  X(DebugLayers, "レイヤー", "Layers") \
  X(DebugChannels, "チャネル", "Channels") \
  X(DebugName, "名前", "Name") \
  X(DebugPicture, "画像", "Picture") \
  X(DebugSound, "音", "Sound") \
  X(DebugAttributes, "属性", "Attributes") \
  X(DebugActionStep, "動作・段階", "Action, step") \
  \
  /* The compiler's errors: the first ends a normal compile, and the lint tells each in its place */ \
  X(CompileNeedHash, "行頭に＃が必要です。", "a line must start with ＃") \
  X(CompileUndeclaredHead, "レイヤー，チャネル，または動作が未宣言です。", \
    "the layer, channel or action is not declared") \
  X(CompileUndeclaredTarget, "レイヤーまたはチャネル「{1}」は未宣言です。", "layer or channel '{1}' is not declared") \
  X(CompileDeclarationInMacro, "マクロの中で宣言はできません。", "declarations are not allowed inside a macro") \
  X(CompileDeclarationInBlock, "条件ブロックやループブロックの中で宣言はできません。", \
    "declarations are not allowed inside a condition or loop block") \
  X(CompileNoLayerName, "レイヤー名がありません。", "the layer has no name") \
  X(CompileNoChannelName, "チャネル名がありません。", "the channel has no name") \
  X(CompileEmptyVariableName, "変数名に空文字列は指定できません。", "a variable name cannot be empty") \
  X(CompileUsageWithName, "＃{1}：[名前]", "usage: ＃{1}：[名前]") \
  X(CompileVariableDeclared, "変数「{1}」は宣言済みです。", "variable '{1}' is already declared") \
  X(CompileVariableUndefined, "変数「{1}」は未定義です。", "variable '{1}' is not declared") \
  X(CompileUnknownAction, "「{1}」は未知の動作です。", "'{1}' is not a declared action") \
  X(CompileUnknownAttribute, "「{1}」は未知の動作種別です。", "'{1}' is not an action attribute") \
  X(CompileBadOperator, "ここでは使用できない演算子です。", "an operator that cannot be used here") \
  X(CompileNeedCondition, "条件式が必要です。", "a condition is needed") \
  X(CompileUnmatchedConditionEnd, "「＃条件終了」に対応する「＃条件」がありません。", \
    "no ＃条件 matches this ＃条件終了") \
  X(CompileUnmatchedLoopEnd, "「＃ループ終了」に対応する「＃ループ」がありません。", \
    "no ＃ループ matches this ＃ループ終了") \
  X(CompileConditionOnBothEnds, "条件式を「＃ループ」と「＃ループ終了」の両方に書くことはできません。", \
    "a loop cannot have a condition on both ＃ループ and ＃ループ終了") \
  X(CompileMacroExists, "マクロ「{1}」は以前に宣言されています。", "macro '{1}' is already declared") \
  X(CompileUnmatchedMacroEnd, "対応する「＃マクロ宣言」がありません。", "no ＃マクロ宣言 matches this end") \
  X(CompileBlockAcrossMacro, "条件ブロックやループブロックがマクロ宣言の内と外にまたがっています。", \
    "a condition or loop block crosses the edge of the macro declaration") \
  X(CompileInsertInMacro, "マクロの中でファイル挿入はできません。", "files cannot be inserted inside a macro") \
  X(CompileInsertInBlock, "条件ブロックやループブロックの中でファイル挿入はできません。", \
    "files cannot be inserted inside a condition or loop block") \
  X(CompileScriptNotFound, "スクリプト「{1}」が見つかりません。", "script '{1}' not found") \
  X(CompileScriptInsertsItself, "スクリプト「{1}」は自分自身を挿入しています。", "script '{1}' inserts itself") \
  X(CompileScriptUnreadable, "スクリプト「{1}」を読めません。", "script '{1}' cannot be read") \
  X(CompileScriptNotAFile, "スクリプト「{1}」は通常のファイルではないので読めません。", \
    "script '{1}' is not a regular file, so it cannot be read") \
  X(CompileScriptTooLarge, "スクリプト「{1}」は大きすぎて読めません（64MBまで）。", \
    "script '{1}' is too large to read (64 MB at most)") \
  X(CompileInsertTooDeep, "ファイル挿入の入れ子が深すぎます。", "file insertions nest too deep") \
  X(CompileTooManyCommands, "命令が多すぎます（マクロの展開とファイルの挿入を合わせて1000万個まで）。", \
    "too many commands (10 million at most, macros expanded and files inserted)") \
  X(CompileTooManyInserts, "ファイル挿入が多すぎます（合わせて10万回、400万行まで）。", \
    "too many file insertions (100,000 and 4 million lines at most)") \
  X(CompileEyeNotPerson, "人物以外に目の動作は設定できません。", "an eye action can only be set on a person layer") \
  X(CompileMouthNotPerson, "人物以外に口の動作は設定できません。", "a mouth action can only be set on a person layer") \
  X(CompileTextNotFrame, "文字枠以外に文字の動作は設定できません。", "a text action can only be set on a text layer") \
  X(CompileTagNotClosed, "タグが閉じていません。", "the tag is not closed") \
  X(CompileTagUndeclared, "タグ「{1}」は未宣言です。", "tag '{1}' is not declared") \
  \
  /* The scene and the base: pictures, and the heading of a compile error's report */ \
  X(PictureOverBudget, \
    "画像「{1}」を読み込めません：画像が合わせて {2} MB を超えます（TAVRIK_PICTURE_MEMORY_MB で変えられます）。", \
    "cannot load picture '{1}': the pictures together would pass {2} MB (TAVRIK_PICTURE_MEMORY_MB sets it)") \
  X(ScriptErrorWhere, "{1}の{2}行目：", "{1} line {2}:") \
  \
  /* The runtime: why a saved state is refused */ \
  X(StateNotAState, "保存された状態ではありません", "not a saved game state") \
  X(StateNewerVersion, "新しい版のプレーヤーで保存された状態です", "saved by a newer version of the player") \
  X(StateOtherProgram, "古い形式の状態で、別のスクリプトか、変更される前のこのスクリプトで保存されています", \
    "saved in the old format from another script, or from this one before it was changed") \
  X(StateUnplaced, "保存された場面が、変更されたスクリプトにありません", \
    "the saved moment is no longer in the changed script") \
  X(StateTruncated, "状態が途中で切れています", "the state is cut short") \
  X(StateDamaged, "状態が壊れています", "the state is damaged") \
  \
  /* The lint: what a name is, where it was declared, and what was meant instead */ \
  X(LintKindLayer, "レイヤー", "layer") \
  X(LintKindChannel, "チャネル", "channel") \
  X(LintKindAction, "動作", "action") \
  X(LintKindVariable, "変数", "variable") \
  X(LintKindMacro, "マクロ", "macro") \
  X(LintLineHere, "{1}行目", "line {1}") \
  X(LintLineThere, "{1}の{2}行目", "{1} line {2}") \
  X(LintDeclaredLater, "{1}「{2}」は{3}で宣言されています。使う前に宣言してください。", \
    "{1} '{2}' is declared at {3}: declare it before its use") \
  X(LintClosestName, "「{1}」", "{1}") \
  X(LintClosest, "（近い名前：{1}）", " (closest: {1})") \
  \
  /* The lint: the script itself, and compile errors it has no words of its own for */ \
  X(LintScriptNotFound, "スクリプト「{1}」が見つかりません。", "script '{1}' not found") \
  X(LintScriptIsFolder, "「{1}」はフォルダーです。スクリプトファイルを指定してください。", \
    "'{1}' is a folder: give a script file") \
  X(LintScriptNotRegular, "「{1}」は通常のファイルではありません。", "'{1}' is not a regular file") \
  X(LintCompileError, "コンパイルエラーです。", "compile error") \
  X(LintTooManyFindings, "指摘が多すぎるので、ここから後の{1}件は示しません（示すのは{2}件までです）。", \
    "too many findings: {1} more from here on are not told (at most {2} are)") \
  X(LintTooManyFindingsStopped, \
    "指摘が多すぎるので、ここで点検をやめました（ここから後の{1}件と、この後の行の指摘は示しません）。", \
    "too many findings: the check stopped here ({1} more from here on, and whatever the lines after would " \
    "give, are not told)") \
  \
  /* The lint: heads and names that match nothing */ \
  X(LintNoHead, "見出しがありません。", "the directive has no head") \
  X(LintLayerWantsMore, "「{1}」はレイヤーです。後に動作の名前か「画像」が要ります。", \
    "{1} is a layer: an action name or 画像 must follow it") \
  X(LintChannelWantsMore, "「{1}」はチャネルです。後に動作の名前か「ロード」が要ります。", \
    "{1} is a channel: an action name or ロード must follow it") \
  X(LintNoActionAfter, "{1}「{2}」に続く「{3}」という動作はありません。{4}", "{1} '{2}' has no action '{3}'{4}") \
  X(LintNoLayerOrChannelNamed, "「{1}」というレイヤーやチャネルはありません。{2}", \
    "no layer or channel named '{1}'{2}") \
  X(LintNoHeadNamed, "「{1}」という命令、マクロ、レイヤーやチャネルはありません。{2}", \
    "no keyword, macro, layer or channel named '{1}'{2}") \
  X(LintUndeclaredTarget, "レイヤーまたはチャネル「{1}」は未宣言です。{2}", "no layer or channel named '{1}'{2}") \
  X(LintUndefinedVariable, "変数「{1}」は未定義です。{2}", "variable '{1}' is not declared{2}") \
  X(LintUnknownBaseAction, "「{1}」は未知の動作です。{2}", "'{1}' is not a declared action{2}") \
  X(LintUnknownAttribute, "「{1}」は未知の動作種別です。{2}", "'{1}' is not an action attribute{2}") \
  X(LintTagNotTextAction, "タグ「{1}」は文字動作ではありません（文字動作宣言で宣言した動作だけがタグになります）。", \
    "tag '{1}' names an action that is not a text action") \
  X(LintTagUndeclared, "タグ「{1}」は未宣言です。{2}", "no text action named '{1}' for the tag{2}") \
  \
  /* The lint: numbers and values */ \
  X(LintFullWidthPoint, "「{1}」の全角の「．」や「、」は小数点になりません（{2}と読まれます）。", \
    "'{1}': a full-width point is no decimal point (reads as {2})") \
  X(LintNotWholeNumber, "「{1}」は整数ではありません（{2}と読まれます）。", "'{1}' is not a whole number (reads as {2})") \
  X(LintNotANumber, "「{1}」は数値ではありません（{2}と読まれます）。", "'{1}' is not a number (reads as {2})") \
  X(LintNeitherVariableNorNumber, "「{1}」は変数でも数値でもありません（0と読まれます）。{2}", \
    "'{1}' is neither a variable nor a number (reads as 0){2}") \
  X(LintExtraValues, "「{1}」：値が多すぎます。小数点をカンマで書いていませんか（「，」の後は読まれません）。", \
    "'{1}': more values than the line takes; a decimal point written as a comma? (what follows the comma is " \
    "not read)") \
  X(LintMissingKeyframeValue, "キーフレーム行に値がありません（0と読まれます）。「段階，種別，値」の順に書きます。", \
    "the keyframe line has no value (it reads as 0): write step, attribute, value") \
  X(LintKeyframeWithoutStep, "キーフレーム行に段階がありません。「段階，種別，値」の順に書きます。", \
    "the keyframe line has no step: write step, attribute, value") \
  X(LintMissingWaitTime, "「＃時間待機」に待つフレーム数がありません（0と読まれ、待ちません）。", \
    "＃時間待機 without the number of frames to wait (it reads as 0: no wait)") \
  X(LintMissingChoiceValues, \
    "選択宣言の値が足りません。「値，最大倍率，倍率の変化」の順に書きます（ない値は0と読まれます）。", \
    "the choice declaration lacks values: write value, largest zoom, zoom step (a missing one reads as 0)") \
  X(LintUnusedArgument, "「＃{1}」は引数をとりません（「{2}」は読まれません）。", \
    "＃{1} takes no argument ('{2}' is not read)") \
  \
  /* The lint: blocks and text */ \
  X(LintMissingTextColon, "見出しの後の「：」を忘れていませんか。次の行からの文章が表示されません。", \
    "missing '：' after the layer head? the text on the next lines is not shown") \
  X(LintOpenCondition, \
    "「＃条件」が「＃条件終了」で閉じられないままファイルが終わります（中身は条件にかかわらず実行されます）。", \
    "this ＃条件 is never closed by ＃条件終了: the file ends first (its body runs whatever the condition)") \
  X(LintOpenLoop, "「＃ループ」が「＃ループ終了」で閉じられないままファイルが終わります（中身は一度だけ実行されます）。", \
    "this ＃ループ is never closed by ＃ループ終了: the file ends first (its body runs once)") \
  X(LintConditionClosedByLoopEnd, \
    "この「＃条件」は「＃条件終了」で閉じられていません（先に「＃ループ終了」が来ます）。", \
    "this ＃条件 is never closed by ＃条件終了 (＃ループ終了 comes first)") \
  X(LintLoopClosedByConditionEnd, \
    "この「＃ループ」は「＃ループ終了」で閉じられていません（先に「＃条件終了」が来ます）。", \
    "this ＃ループ is never closed by ＃ループ終了 (＃条件終了 comes first)") \
  X(LintOpenMacro, "マクロ「{1}」が「＃マクロ宣言終了」で閉じられないままファイルが終わります。", \
    "macro '{1}' is never ended by ＃マクロ宣言終了: the file ends first") \
  \
  /* The lint: files */ \
  X(LintMissingPicture, "画像「{1}」が見つかりません（.png .jpg .jpeg .bmp .gif も探しました）。", \
    "no picture file '{1}' (.png, .jpg, .jpeg, .bmp and .gif tried too)") \
  X(LintMissingSound, "音「{1}」が見つかりません。", "no sound file '{1}'") \
  X(LintLetterCase, \
    "「{1}」はファイル「{2}」と大文字小文字が違います（大文字小文字を区別するファイルシステムでは見つかりません）。", \
    "'{1}' differs in letter case from the file '{2}' (it is not found where case matters)") \
  \
  /* The lint: what the whole program tells */ \
  X(LintUnusedDeclaration, "{1}「{2}」は宣言されていますが、使われていません。", "{1} '{2}' is declared but never used") \
  X(LintNeverSet, "変数「{1}」は読まれますが、どこでも値を入れていません（いつも0です）。", \
    "variable '{1}' is read but never set anywhere (it is always 0)") \
  X(LintChoiceWithoutPicture, "選択レイヤー「{1}」に画像が読み込まれないので、クリックできません。", \
    "choice layer '{1}' never gets a picture, so it cannot be clicked") \
  X(LintWaitNeverEnds, "「{1}」の動作「{2}」にはENDがないので、この待機は終わりません。", \
    "action '{2}' on '{1}' has no END, so this wait never ends") \
  X(LintUnreachable, "この行には来ません。{1}のループは終わりません（ループの中で「{2}」が変わりません）。", \
    "never reached: the loop at {1} never ends (nothing in it changes '{2}')") \
  /* A game's theme for the player's screens */ \
  X(ThemeNoEquals, "「{1}」に「=」がありません。「項目 = 値」の形で書きます。", \
    "'{1}' has no '=': write key = value") \
  X(ThemeUnknownKey, "「{1}」はテーマの項目ではありません（accent、panel、panel-opacity、text、face、backdrop）。", \
    "'{1}' is not a theme key (accent, panel, panel-opacity, text, face, backdrop)") \
  X(ThemeBadColour, "{1}の値「{2}」は色ではありません。#RRGGBBの形で書きます。既定の色を使います。", \
    "{1}: '{2}' is not a colour (write #RRGGBB); the default is used") \
  X(ThemeBadOpacity, "panel-opacityの値「{1}」は30から100までの整数ではありません。既定の{2}を使います。", \
    "panel-opacity: '{1}' is not a whole number from 30 to 100; the default {2} is used") \
  X(ThemeBadText, "{1}の値はUTF-8でもShift-JISでも読めない文字を含みます。使いません。", \
    "{1}: the value holds bytes that are neither UTF-8 nor Shift-JIS; it is not used") \
  X(ThemeLowContrast, \
    "文字の色{1}はパネル{2}とのコントラストが{3}:1しかありません（4.5:1以上が要ります）。{4}の文字で表示します。", \
    "text {1} has only {3}:1 contrast with the panel {2} (4.5:1 is needed); {4} text is shown instead") \
  X(ThemeUnreadable, "テーマ「{1}」を読めません。既定の見た目で表示します。", \
    "cannot read the theme '{1}'; the default look is shown") \
  X(ThemeBackdropMissing, "背景の画像「{1}」が見つかりません。", "the backdrop picture '{1}' is not found")
// clang-format on
