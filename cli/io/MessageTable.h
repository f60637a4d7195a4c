#pragma once
// Every text corvane shows, English and Japanese side by side: its messages, the --help texts
// and the reasons of the regular expression reader. A row missing, out of place or with a
// different set of arguments in one language does not compile. Arguments are written {1} to {9}
// and may stand in another order in each language. The Japanese uses the plug-in's words
// (行番号, 挿入, 削除, 整形); every --help line fits 80 columns, a full-width character counting
// two. nl mode's texts are not here: they are nl's own, from the system's catalogs.

#include <cstddef>
#include <cstdint>
#include <string_view>

enum TMessageId : uint16_t {
  // Messages of the program.
  miTryHelp,
  miInvalidAt,
  miNoStartContinue,
  miNoStartRenumber,
  miLeftUnchanged,
  miLeftUnchangedAlone,
  miMemoryExhausted,
  miInternalError,
  miWriteError,
  miWindowsError,
  miIsDirectory,
  // The command line.
  miMissingCommand,
  miMissingCommandBefore,
  miUnknownCommand,
  miUnrecognizedOption,
  miAmbiguousOption,
  miNoArgumentAllowed,
  miArgumentRequired,
  miInvalidShortOption,
  miShortArgumentRequired,
  miInvalidNumberFormat,
  miInvalidForm,
  miInvalidHeader,
  miInvalidFence,
  miInvalidSuffix,
  miInPlaceWithOutput,
  miInPlaceStdin,
  miInvalidBody,
  miInvalidRegex,
  miInvalidSeparator,
  miInvalidStart,
  miStartOutOfRange,
  miInvalidStep,
  miStepOutOfRange,
  miInvalidZeroFill,
  miInvalidWidth,
  miInvalidSpoolLimit,
  miInvalidEncoding,
  miInvalidOutputName,
  miZeroFillConflict,
  // Reading.
  miFileChanged,
  miCannotReadTwice,
  miSpoolLimit,
  miSpoolCreate,
  miSpoolWrite,
  miTooManyLines,
  miCopyPathNotUtf8,
  miCopyPathNotUtf8Nor,
  miCopyPathLacks,
  miSeparatorLacks,
  miFenceLacks,
  // Invalid text, and the encodings' names in messages.
  miInvalidIn,
  miUnpairedSurrogate,
  miIncompleteUnit,
  miForeignBom,
  miInvalidText,
  miNor,
  miNameUtf8,
  miNameUtf8Bom,
  miNameUtf16LE,
  miNameUtf16BE,
  miNameCp932,
  miNameEucJp,
  // -o.
  miTempCreate,
  miKeepMetadata,
  miDangling,
  miDanglingTo,
  miHardLinks,
  miNotRegular,
  miKeepOriginal,
  // The regular expression reader's reasons (GNU regex's words).
  miReBad,
  miReBracket,
  miReCollation,
  miReInterval,
  miReTooBig,
  miReParen,
  miReBrace,
  miReBackslash,
  miReOpenParen,
  miReBackReference,
  miReClass,
  miReRange,
  // --help and --version.
  miHelpUsage,
  miHelpOverview,
  miHelpFiles,
  miHelpExit,
  miHelpLineNumber,
  miLicence,
  miSumNumber,
  miSumContinue,
  miSumDelete,
  miSumDeleteNumberOnly,
  miSumDedent,
  miSumTidy,
  miSumCopy,
  miSumRenumber,
  miSumNl,
  miIntroNumber,
  miNotesNumber,
  miIntroContinue,
  miIntroCopy,
  miNotesCopy,
  miIntroRenumber,
  miOptStart,
  miOptCopyStart,
  miOptStep,
  miOptReverse,
  miOptZeroFill,
  miOptPlus,
  miOptContinueStep,
  miOptTidy,
  miOptPath,
  miOptHeader,
  miOptFence,
  miOptSeparatorBoth,
  miOptSeparatorWrite,
  miOptSeparatorRead,
  miOptNumberFormat,
  miOptWidth,
  miOptAfterIndent,
  miOptBody,
  miOptForm,
  miOptEncoding,
  miOptOutput,
  miOptInPlace,
  miOptSpoolLimit,
  miOptHelp,
  miOptVersion,
  miCount
};

struct TMessageRow {
  TMessageId Id;
  const char* English;
  const char* Japanese;
};

inline constexpr TMessageRow MessageTable[] = {
    {miTryHelp, "Try 'corvane --help' for more information.",
     "詳しくは 'corvane --help' を実行してください。"},
    {miInvalidAt, "{1}: {2} at byte offset {3}", "{1}: バイトオフセット {3}: {2}"},
    {miNoStartContinue,
     "{1}: the first line holds no start number before its first ':'; text left unchanged",
     "{1}: 先頭行の最初の ':' の前に開始番号がありません。テキストは変更しません"},
    {miNoStartRenumber,
     "{1}: the first line's number is no start (a 32-bit value after blanks); text left "
     "unchanged",
     "{1}: 先頭行の行番号は開始番号になりません (空白の後の 32 ビットの値)。テキストは変更"
     "しません"},
    {miLeftUnchanged, "{1}: left unchanged because of the errors above",
     "{1}: 上記のエラーのため変更しませんでした"},
    {miLeftUnchangedAlone, "{1}: left unchanged", "{1}: 変更しませんでした"},
    {miMemoryExhausted, "memory exhausted", "メモリーが足りません"},
    {miInternalError, "internal error: {1}", "内部エラー: {1}"},
    {miWriteError, "write error: {1}", "書き込みエラー: {1}"},
    {miWindowsError, "Windows error {1}", "Windows のエラー {1}"},
    {miIsDirectory, "Is a directory", "ディレクトリです"},

    {miMissingCommand, "missing command", "コマンドがありません"},
    {miMissingCommandBefore, "missing command before {1}", "{1} の前にコマンドがありません"},
    {miUnknownCommand, "unknown command {1}", "不明なコマンドです: {1}"},
    {miUnrecognizedOption, "unrecognized option '{1}'", "認識できないオプション '{1}' です"},
    {miAmbiguousOption, "option '{1}' is ambiguous; possibilities:{2}",
     "オプション '{1}' は曖昧です。候補:{2}"},
    {miNoArgumentAllowed, "option '--{1}' doesn't allow an argument",
     "オプション '--{1}' は引数を取りません"},
    {miArgumentRequired, "option '--{1}' requires an argument",
     "オプション '--{1}' には引数が必要です"},
    {miInvalidShortOption, "invalid option -- '{1}'", "無効なオプションです -- '{1}'"},
    {miShortArgumentRequired, "option requires an argument -- '{1}'",
     "オプションには引数が必要です -- '{1}'"},
    {miInvalidNumberFormat, "invalid number format: {1} (allowed: {2})",
     "番号の書式が不正です: {1} (指定できるもの: {2})"},
    {miInvalidForm, "invalid form: {1} (allowed: {2})",
     "行番号の形式が不正です: {1} (指定できるもの: {2})"},
    {miInvalidHeader, "invalid header: {1} (allowed: {2})",
     "見出しの指定が不正です: {1} (指定できるもの: {2})"},
    {miInvalidFence, "invalid fence language: {1} (one line of text without '`')",
     "コードフェンスの言語名が不正です: {1} ('`' を含まない 1 行のテキスト)"},
    {miInvalidSuffix, "invalid backup suffix: {1} (no '/' or '\\')",
     "バックアップの接尾辞が不正です: {1} ('/' や '\\' は使えません)"},
    {miInPlaceWithOutput, "options '--in-place' and '-o' cannot be combined",
     "オプション '--in-place' と '-o' は一緒に使えません"},
    {miInPlaceStdin, "option '--in-place' edits files, not standard input",
     "オプション '--in-place' が編集するのはファイルで、標準入力ではありません"},
    {miInvalidBody, "invalid body numbering style: {1} (allowed: a, t, pBRE)",
     "番号を付ける行の指定が不正です: {1} (指定できるもの: a, t, pBRE)"},
    {miInvalidRegex, "invalid regular expression: {1}: {2}", "正規表現が不正です: {1}: {2}"},
    {miInvalidSeparator, "invalid separator: {1} (one line of text, not empty)",
     "区切り文字列が不正です: {1} (空でない 1 行のテキスト)"},
    {miInvalidStart, "invalid start value: {1}", "開始値が不正です: {1}"},
    {miStartOutOfRange, "start value out of range: {1} (allowed: -2147483648 to 2147483647)",
     "開始値が範囲外です: {1} (指定できる範囲: -2147483648 ～ 2147483647)"},
    {miInvalidStep, "invalid step: {1}", "増分が不正です: {1}"},
    {miStepOutOfRange, "step out of range: {1} (allowed: -2147483648 to 2147483647)",
     "増分が範囲外です: {1} (指定できる範囲: -2147483648 ～ 2147483647)"},
    {miInvalidZeroFill, "invalid zero-fill width: {1} (allowed: 1 to {2})",
     "ゼロ埋めの桁数が不正です: {1} (指定できる範囲: 1 ～ {2})"},
    {miInvalidWidth, "invalid width: {1} (allowed: 1 to {2})",
     "欄の幅が不正です: {1} (指定できる範囲: 1 ～ {2})"},
    {miInvalidSpoolLimit, "invalid spool limit: {1} (a size such as 512M or 4G)",
     "スプールの上限が不正です: {1} (512M や 4G のようなサイズ)"},
    {miInvalidEncoding, "invalid encoding: {1} (allowed: {2})",
     "エンコーディングが不正です: {1} (指定できるもの: {2})"},
    {miInvalidOutputName, "invalid output file name: ''", "出力ファイル名が不正です: ''"},
    {miZeroFillConflict, "option '-z' cannot be combined with '-n' or '-w'",
     "オプション '-z' は '-n' や '-w' と一緒に使えません"},

    {miFileChanged, "file changed while it was being read", "読み取り中にファイルが変更されました"},
    {miCannotReadTwice, "cannot be read twice", "2 回目の読み取りができません"},
    {miSpoolLimit, "more than --spool-limit={1} of input to keep for its second reading; stopped",
     "2 回目の読み取りのために保持する入力が --spool-limit={1} を超えました。中止します"},
    {miSpoolCreate, "cannot create a temporary file to hold the input: {1}",
     "入力を保持する一時ファイルを作成できません: {1}"},
    {miSpoolWrite, "cannot hold the input in a temporary file: {1}",
     "入力を一時ファイルに保持できません: {1}"},
    {miTooManyLines, "too many lines: the numbers would leave 64 bits",
     "行が多すぎます: 行番号が 64 ビットを超えます"},
    {miCopyPathNotUtf8, "the copy's path is not valid UTF-8",
     "コピーのパスが正しい UTF-8 ではありません"},
    {miCopyPathNotUtf8Nor, "the copy's path is not valid UTF-8 nor {1}",
     "コピーのパスが正しい UTF-8 でも {1} でもありません"},
    {miCopyPathLacks, "the copy's path holds characters {1} lacks",
     "コピーのパスに {1} にない文字があります"},
    {miSeparatorLacks, "the separator holds characters {1} lacks",
     "区切り文字列に {1} にない文字があります"},
    {miFenceLacks, "the fence's language holds characters {1} lacks",
     "コードフェンスの言語名に {1} にない文字があります"},

    {miInvalidIn, "invalid {1}", "不正な {1}"},
    {miUnpairedSurrogate, "unpaired surrogate in UTF-16", "UTF-16 の対になっていないサロゲート"},
    {miIncompleteUnit, "incomplete UTF-16 code unit", "不完全な UTF-16 コード単位"},
    {miForeignBom, "{1} byte order mark in {2} text",
     "{2} のテキストに {1} のバイトオーダーマーク"},
    {miInvalidText, "invalid text (neither {1})", "不正なテキスト ({1} のいずれでもありません)"},
    {miNor, " nor ", "、"},
    {miNameUtf8, "UTF-8", "UTF-8"},
    {miNameUtf8Bom, "UTF-8 with BOM", "BOM 付き UTF-8"},
    {miNameUtf16LE, "UTF-16LE", "UTF-16LE"},
    {miNameUtf16BE, "UTF-16BE", "UTF-16BE"},
    {miNameCp932, "code page 932", "コードページ 932"},
    {miNameEucJp, "EUC-JP", "EUC-JP"},

    {miTempCreate, "cannot create temporary file in {1}: {2}",
     "{1} に一時ファイルを作成できません: {2}"},
    {miKeepMetadata, "{1}: cannot keep its owner, group and permissions ({2}); left unchanged",
     "{1}: 所有者、グループ、アクセス権を保てません ({2})。変更しませんでした"},
    {miDangling, "{1}: dangling symbolic link; nothing written",
     "{1}: リンク先のないシンボリックリンクです。何も書き込みませんでした"},
    {miDanglingTo, "{1}: dangling symbolic link to {2}; nothing written",
     "{1}: リンク先 {2} のないシンボリックリンクです。何も書き込みませんでした"},
    {miHardLinks, "{1}: has {2} hard links; not replaced, so that they do not keep the old text",
     "{1}: ハードリンクが {2} 個あります。他の名前に古いテキストが残らないよう置き換えません"},
    {miNotRegular, "{1}: not a regular file; not edited in place",
     "{1}: 通常のファイルではありません。その場では編集しません"},
    {miKeepOriginal, "{1}: cannot keep the original as {2}: {3}",
     "{1}: 元のファイルを {2} として残せません: {3}"},

    {miReBad, "Invalid regular expression", "無効な正規表現です"},
    {miReBracket, "Unmatched [, [^, [:, [., or [=", "[, [^, [:, [., [= が閉じていません"},
    {miReCollation, "Invalid collation character", "無効な照合文字です"},
    {miReInterval, "Invalid content of \\{\\}", "\\{\\} の中身が無効です"},
    {miReTooBig, "Regular expression too big", "正規表現が大きすぎます"},
    {miReParen, "Unmatched ) or \\)", ") または \\) に対応する開き括弧がありません"},
    {miReBrace, "Unmatched \\{", "\\{ が閉じていません"},
    {miReBackslash, "Trailing backslash", "末尾にバックスラッシュがあります"},
    {miReOpenParen, "Unmatched ( or \\(", "( または \\( が閉じていません"},
    {miReBackReference, "Invalid back reference", "無効な後方参照です"},
    {miReClass, "Invalid character class name", "無効な文字クラス名です"},
    {miReRange, "Invalid range end", "無効な範囲の終わりです"},

    {miHelpUsage, "Usage: corvane {1} [OPTION]... [FILE]...\n",
     "使い方: corvane {1} [OPTION]... [FILE]...\n"},
    {miHelpOverview,
     "Insert, delete and tidy line numbers ('  9:text') in text files.\n"
     "\n"
     "Commands:\n",
     "テキストファイルの行番号 ('  9:text') を挿入、削除、整形します。\n"
     "\n"
     "コマンド:\n"},
    {miHelpFiles,
     "\n"
     "Run 'corvane COMMAND --help' for the options of a command.\n"
     "\n"
     "With no FILE, or when FILE is -, read standard input. Several files are\n"
     "processed one after another, each on its own (numbering starts again), and the\n"
     "results are written one after another, as cat would, or each replaces its file\n"
     "when the command is told to edit in place.\n"
     "A byte order mark decides the encoding (UTF-8, UTF-16LE, UTF-16BE); without one,\n"
     "text valid as UTF-8 is UTF-8, else text valid as code page 932 (Shift_JIS), else\n"
     "as EUC-JP, is that; -e names the encoding instead. The output is in the input's\n"
     "encoding, with its byte order mark and its line breaks (CR LF, CR, LF) exactly\n"
     "as they were.\n"
     "\n",
     "\n"
     "コマンドのオプションは 'corvane COMMAND --help' で表示します。\n"
     "\n"
     "FILE がないとき、または FILE が - のときは標準入力を読みます。複数の\n"
     "ファイルは 1 つずつ別々に処理し (行番号はファイルごとに 1 から)、cat と\n"
     "同じく結果を順に書き出すか、その場で編集するコマンドならそれぞれのファイルを\n"
     "結果で置き換えます。\n"
     "エンコーディングはバイトオーダーマーク (UTF-8、UTF-16LE、UTF-16BE) で\n"
     "決まります。ないときは UTF-8 として正しいテキストなら UTF-8、次に\n"
     "コードページ 932 (Shift_JIS)、次に EUC-JP として正しければそれとします。\n"
     "-e で指定することもできます。出力は入力のエンコーディングで、バイト\n"
     "オーダーマークも改行 (CR LF、CR、LF) も元のままです。\n"
     "\n"},
    {miHelpExit,
     "\n"
     "Exit status: 0 if OK, 1 for a usage or file error, 2 when an input is not valid\n"
     "text of its encoding (its byte offset is reported and it is not processed).\n",
     "\n"
     "終了ステータス: 正常なら 0、使い方やファイルのエラーなら 1、入力がその\n"
     "エンコーディングのテキストとして正しくなければ 2 (そのバイトオフセットを\n"
     "報告し、その入力は処理しません)。\n"},
    {miHelpLineNumber,
     "corvane {1}: {2}.\n"
     "A line number is the text before a line's first ':' when it holds only digits,\n"
     "blanks and tabs; --form reads others.\n",
     "corvane {1}: {2}。\n"
     "行番号は、行の最初の ':' より前の部分が数字、空白、タブだけのときの\n"
     "その部分です。--form で他の形式も読めます。\n"},
    {miLicence,
     "Copyright (c) 2026 The Corvane developers.\n"
     "License MIT: <https://opensource.org/licenses/MIT>.\n"
     "This is free software: you are free to change and redistribute it.\n"
     "There is NO WARRANTY, to the extent permitted by law.\n",
     "Copyright (c) 2026 The Corvane developers.\n"
     "ライセンス MIT: <https://opensource.org/licenses/MIT>.\n"
     "これはフリーソフトウェアです: 自由に変更と再配布ができます。\n"
     "法律で認められる範囲で、一切の保証はありません。\n"},

    {miSumNumber, "insert line numbers (from 1 unless told otherwise)",
     "行番号を挿入する (指定がなければ 1 番から)"},
    {miSumContinue, "number on from the number at the head of the first line",
     "先頭で指定した行番号から続けて挿入する"},
    {miSumDelete, "delete line numbers", "行番号を削除する"},
    {miSumDeleteNumberOnly, "delete the lines that hold only a line number",
     "行番号のみの行を削除する"},
    {miSumDedent, "delete the indentation all numbered lines share",
     "行番号以降の余分なインデントを削除する"},
    {miSumTidy, "delete-number-only, then dedent", "delete-number-only と dedent を全て実行する"},
    {miSumCopy, "folder and file name, then the lines numbered from 1",
     "フォルダーとファイル名、続けて 1 番から行番号を付けた行"},
    {miSumRenumber, "number the lines anew from the first line's number",
     "先頭行の行番号から行番号を振り直す"},
    {miSumNl, "number lines as GNU nl does, with nl's options",
     "GNU nl と同じく nl のオプションで行番号を付ける"},
    {miIntroNumber,
     "Write each FILE with a line number in front of every line: the number\n"
     "right-aligned in a field as wide as the widest number, then ':'.\n",
     "各 FILE の全ての行の前に行番号を付けて書き出します。番号は最も長い番号と\n"
     "同じ幅の欄に右揃えで書き、その後に ':' を書きます。\n"},
    {miNotesNumber,
     "\n"
     "N lies between -2147483648 and 2147483647; the line values themselves may go\n"
     "beyond that range and never wrap around. With -w (and without -r, -z) numbers\n"
     "are written as lines arrive, so endless input streams.\n",
     "\n"
     "N は -2147483648 から 2147483647 まで。行の番号自体はこの範囲を超えても\n"
     "よく、折り返して負になることはありません。-w があれば (-r と -z がなければ)\n"
     "行が届くたびに番号を書くので、終わりのない入力も流せます。\n"},
    {miIntroContinue,
     "Number every line on from the number written before the first ':' of the\n"
     "first line (for example '10:' or '005:'), which is replaced by the new number.\n"
     "A number written with a leading '0' (and two or more digits) gives zero-filled\n"
     "numbers of at least that many digits; a leading '+' gives '+' signs.\n"
     "When the first line holds no such number the text is written unchanged and a\n"
     "warning is printed.\n"
     "In nl's or the list form ('     7<TAB>x', '  3) x'), the first line's number\n"
     "is read in that form, and every line is numbered in it.\n",
     "先頭行の最初の ':' の前に書かれた番号 ('10:' や '005:' など) から続けて\n"
     "全ての行に行番号を付けます。先頭行のその番号は新しい番号に置き換わります。\n"
     "'0' で始まる 2 桁以上の番号なら、少なくともその桁数までゼロで埋めます。\n"
     "'+' で始まる番号なら '+' 記号を付けます。\n"
     "先頭行にそのような番号がなければ、テキストを変えずに書き出し、警告を\n"
     "表示します。\n"
     "nl 形式やリスト形式 ('     7<TAB>x'、'  3) x') では、先頭行の番号を\n"
     "その形式で読み、全ての行にその形式で番号を付けます。\n"},
    {miIntroCopy,
     "Write the copy-with-header form of each FILE: its folder on the first line, its\n"
     "name indented by two blanks on the second, then its lines numbered from 1 (or\n"
     "from -s).\n"
     "The header lines end with the line break of the file's first line (CR LF when\n"
     "the file has none). The folder is the path up to its last '/', '\\' or ':'.\n",
     "各 FILE を見出し付きのコピーの形で書き出します: 1 行目にフォルダー、\n"
     "2 行目に空白 2 つで字下げしたファイル名、続いて 1 番 (-s があればその番号)\n"
     "から行番号を付けた行。\n"
     "見出しの行はファイルの最初の行の改行で終わります (改行がなければ CR LF)。\n"
     "フォルダーはパスの最後の '/'、'\\'、':' までの部分です。\n"},
    {miNotesCopy,
     "\n"
     "The fence is longer than any run of '`' in the text, so nothing in it ends the\n"
     "block; its lines end with the header's line break.\n"
     "  sed -n '120,160p' main.cpp | corvane copy -s 120 --header=name --fence=cpp \\\n"
     "      --path main.cpp\n",
     "\n"
     "コードフェンスはテキスト中のどの '`' の並びよりも長いので、中の何もブロックを\n"
     "終わらせません。フェンスの行は見出しと同じ改行で終わります。\n"
     "  sed -n '120,160p' main.cpp | corvane copy -s 120 --header=name --fence=cpp \\\n"
     "      --path main.cpp\n"},
    {miIntroRenumber,
     "Number the lines anew after lines were inserted into or deleted from a numbered\n"
     "list: every line loses the number it carries (digits, blanks and tabs before\n"
     "its first ':') and is numbered on from the first line's number, zero-filled\n"
     "when that number is written with a leading '0', blank-aligned otherwise. When\n"
     "the first line carries no number, numbering starts at 1; when its number is no\n"
     "32-bit start (a tab before it, a blank inside), the text is left unchanged and\n"
     "a warning is printed.\n"
     "  ' 9:a', '10:b', '12:c'  ->  ' 9:a', '10:b', '11:c'\n"
     "When the first line is in nl's or the list form (or --form names one), only the\n"
     "numbered lines are renumbered, from the first one's number, each keeping its\n"
     "indentation and separator: '1. a', '1. b'  ->  '1. a', '2. b'.\n",
     "行番号付きのリストに行を挿入・削除した後で、行番号を振り直します。各行の\n"
     "行番号 (最初の ':' の前の数字、空白、タブ) を削除し、先頭行の番号から\n"
     "続けて行番号を付けます。その番号が '0' で始まればゼロで埋め、そうで\n"
     "なければ空白で揃えます。先頭行に番号がなければ 1 から始めます。その番号が\n"
     "32 ビットの開始値でない (前にタブがある、中に空白がある) ときは、\n"
     "テキストを変えずに書き出し、警告を表示します。\n"
     "  ' 9:a', '10:b', '12:c'  ->  ' 9:a', '10:b', '11:c'\n"
     "先頭行が nl 形式かリスト形式なら (または --form で指定すれば)、番号の\n"
     "付いた行だけを最初の番号から、字下げと区切りを保ったまま振り直します:\n"
     "'1. a', '1. b'  ->  '1. a', '2. b'。\n"},

    {miOptStart, "number the first line N (default 1)", "最初の行の番号を N にする (既定値 1)"},
    {miOptCopyStart,
     "number the first line N (default 1): a region from\nan editor numbered as in its file",
     "最初の行の番号を N にする (既定値 1)。エディター\nから取った範囲をファイルと同じ番号にする"},
    {miOptStep, "add N from one line to the next (default 1; may be < 0)",
     "行ごとに N を加える (既定値 1、負の値も可)"},
    {miOptReverse, "count from the last line upwards", "最後の行から上へ数える (逆順に挿入)"},
    {miOptZeroFill,
     "fill the digits with '0' to at least W columns (1-1000);\n"
     "negative numbers then get a sign column",
     "数字を少なくとも W 桁まで '0' で埋める (1-1000)。\n"
     "負の数には符号の桁が付く"},
    {miOptPlus, "write '+' before positive numbers", "正の数の前に '+' を付ける"},
    {miOptContinueStep, "add N from one line to the next (default 1; 10, -1, -10)",
     "行ごとに N を加える (既定値 1。10、-1、-10 など)"},
    {miOptTidy, "tidy the numbered lines as 'corvane tidy' does",
     "'corvane tidy' と同じく行番号テキストを整形する"},
    {miOptPath,
     "use PATH in the header instead of the name as given\n"
     "(standard input has an empty path otherwise)",
     "見出しにファイル名の代わりに PATH を使う\n"
     "(指定がなければ標準入力のパスは空)"},
    {miOptHeader, "full (the folder, then the name; the default),\nname (the name alone) or none",
     "full (フォルダーとファイル名、既定値)、\nname (ファイル名だけ)、none (見出しなし)"},
    {miOptFence, "put the numbered lines in a Markdown code fence\n(```LANG) below the header",
     "行番号を付けた行を見出しの下で Markdown の\nコードフェンス (```LANG) で囲む"},
    {miOptSeparatorBoth,
     "write STR between a number and its line\n(default ':'; also nl's separator to read)",
     "行番号と行の間に STR を書く\n(既定値 ':'。nl 形式を読むときの区切りも兼ねる)"},
    {miOptSeparatorWrite, "write STR between a number and its line\n(default ':')",
     "行番号と行の間に STR を書く\n(既定値 ':')"},
    {miOptSeparatorRead, "the separator after nl's numbers (default a tab)",
     "nl 形式の番号の後の区切り (既定値はタブ)"},
    {miOptNumberFormat,
     "ln (left-aligned), rn (right-aligned, the\ndefault) or rz (right-aligned, zero-filled),\n"
     "as nl writes them",
     "ln (左揃え)、rn (右揃え、既定値)、\nrz (右揃えでゼロ埋め)。nl と同じ書式"},
    {miOptWidth, "a field of N columns (1-1000); wider numbers\nare written whole",
     "番号の欄を N 桁にする (1-1000)。\nそれより長い番号はそのまま書く"},
    {miOptAfterIndent, "write the number after the line's blanks\nand tabs",
     "行頭の空白とタブの後に番号を書く"},
    {miOptBody,
     "number a (all lines, the default), t (lines\nthat are not empty) or pBRE (lines the basic\n"
     "regular expression BRE matches); the other\nlines stay as they are",
     "番号を付ける行: a (全ての行、既定値)、\nt (空でない行)、pBRE (基本正規表現 BRE に\n"
     "一致する行)。その他の行はそのまま"},
    {miOptForm,
     "read numbers as colon ('  9:x'), nl (what nl\nand cat -n write), list ('3) x', '1. x') or\n"
     "auto (the first numbered line decides)",
     "行番号を colon ('  9:x')、nl (nl や cat -n の\n出力)、list ('3) x'、'1. x')、auto (最初の\n"
     "番号付きの行で決める) の形式で読む"},
    {miOptEncoding,
     "read the input as ENC: auto (the default), utf-8, utf-16le,\n"
     "utf-16be, cp932 (also sjis, shift_jis) or euc-jp (eucjp)",
     "入力を ENC として読む: auto (既定値)、utf-8、\n"
     "utf-16le、utf-16be、cp932 (sjis、shift_jis\nとも)、euc-jp (eucjp とも)"},
    {miOptOutput, "write to FILE instead of standard output (see docs/cli.md)",
     "標準出力の代わりに FILE に書く (docs/cli.md を参照)"},
    {miOptInPlace,
     "replace each FILE by its own result;\n"
     "with SUFFIX keep the original as FILE SUFFIX\n(memo.txt.bak); see docs/cli.md",
     "各 FILE をその結果で置き換える。\n"
     "SUFFIX があれば元のファイルを FILE SUFFIX\n(memo.txt.bak) として残す (docs/cli.md を参照)"},
    {miOptSpoolLimit,
     "keep at most SIZE (with K, M, G or T) of a pipe for its\n"
     "second reading; more is an error (default 4G)",
     "2 回目の読み取りのためにパイプを最大 SIZE まで\n保持する (K、M、G、T 付き)。超えるとエラー\n"
     "(既定値 4G)"},
    {miOptHelp, "display this help and exit", "このヘルプを表示して終了する"},
    {miOptVersion, "output version information and exit", "バージョン情報を表示して終了する"},
};

namespace message_table {

// The set of arguments {1}..{9} a text names, one bit each.
constexpr unsigned Arguments(std::string_view Text) {
  unsigned Set = 0;
  for (size_t I = 0; I + 2 < Text.size(); ++I) {
    if (Text[I] == '{' && Text[I + 1] >= '1' && Text[I + 1] <= '9' && Text[I + 2] == '}') {
      Set |= 1u << (Text[I + 1] - '0');
    }
  }
  return Set;
}

// Whether a text holds a word of lower-case letters ("of"), which a name ("UTF-8") does not.
constexpr bool HasWord(std::string_view Text) {
  for (size_t I = 0; I + 1 < Text.size(); ++I) {
    if (Text[I] >= 'a' && Text[I] <= 'z' && Text[I + 1] >= 'a' && Text[I + 1] <= 'z') return true;
  }
  return false;
}

constexpr bool Complete() {
  for (size_t I = 0; I < std::size(MessageTable); ++I) {
    const TMessageRow& Row = MessageTable[I];
    if (Row.Id != I || *Row.English == '\0' || *Row.Japanese == '\0') return false;
    if (Arguments(Row.English) != Arguments(Row.Japanese)) return false;
    // The same text in both is a name, never an English text left untranslated.
    if (std::string_view(Row.English) == Row.Japanese && HasWord(Row.English)) return false;
  }
  return true;
}

}  // namespace message_table

static_assert(std::size(MessageTable) == miCount, "every text has its row");
static_assert(message_table::Complete(),
              "rows in the order of TMessageId, both languages given and translated, with the same "
              "arguments");
