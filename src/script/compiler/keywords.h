// The script language's own words: directive heads and compile messages, as the Shift-JIS bytes that
// scripts contain and error reports show. The readable form stands beside each one.
#pragma once

#include <string_view>

namespace tavrik::kw {

// Directive heads.
inline constexpr std::string_view kTitle =
    "\x83^\x83"
    "C\x83g\x83\x8B";                                                             // タイトル
inline constexpr std::string_view kWaitAction = "\x93\xAE\x8D\xEC\x91\xD2\x8B@";  // 動作待機
inline constexpr std::string_view kWaitTime = "\x8E\x9E\x8A\xD4\x91\xD2\x8B@";    // 時間待機
inline constexpr std::string_view kWaitInput = "\x93\xFC\x97\xCD\x91\xD2\x8B@";   // 入力待機

// Compile messages.
inline constexpr std::string_view kMsgNeedHash =
    "\x8Ds\x93\xAA\x82\xC9\x81\x94\x82\xAA\x95K\x97v\x82\xC5\x82\xB7\x81"
    "B";  // 行頭に＃が必要です。
inline constexpr std::string_view kMsgUndeclaredHead =
    "\x83\x8C\x83"
    "C\x83\x84\x81[\x81"
    "C\x83`\x83\x83\x83l\x83\x8B\x81"
    "C\x82\xDC\x82\xBD\x82\xCD\x93\xAE\x8D\xEC"
    "\x82\xAA\x96\xA2\x90\xE9\x8C\xBE\x82\xC5\x82\xB7\x81"
    "B";  // レイヤー，チャネル，または動作が未宣言です。
inline constexpr std::string_view kMsgUndeclaredTargetOpen =
    "\x83\x8C\x83"
    "C\x83\x84\x81[\x82\xDC\x82\xBD\x82\xCD\x83`\x83\x83\x83l\x83\x8B\x81u";  // レイヤーまたはチャネル「
inline constexpr std::string_view kMsgUndeclaredTargetClose =
    "\x81v\x82\xCD\x96\xA2\x90\xE9\x8C\xBE\x82\xC5\x82\xB7\x81"
    "B";  // 」は未宣言です。

// The variable every engine starts with; a choice stores the clicked button's value in it.
inline constexpr std::string_view kChoiceResult = "\x91I\x91\xF0\x8C\x8B\x89\xCA";  // 選択結果

// Pieces of the error report: path + "の" + index + "行目：".
inline constexpr std::string_view kReportOf = "\x82\xCC";  // の
inline constexpr std::string_view kReportLine =
    "\x8Ds\x96\xDA\x81"
    "F";  // 行目：

}  // namespace tavrik::kw
