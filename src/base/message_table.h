// The table of every text the player shows or prints: X(id, Japanese, English), UTF-8, in sections.
// {1}..{9} stand for the arguments; both languages take the same ones, in whatever order their sentence
// wants them. messages.h makes the ids and reads the texts; include that, not this.
//
// A row whose text is only shown in one language today still has the other written, so that a choice of
// language needs no new rows. Compile errors are shown in Shift-JIS with the script's own line: their
// Japanese must stay within code page 932.
#pragma once

// clang-format off
#define TAVRIK_MESSAGES(X) \
  /* The player: start-up, boxes, screens, notices, automation */ \
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
    "never reached: the loop at {1} never ends (nothing in it changes '{2}')")
// clang-format on
