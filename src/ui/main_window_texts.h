// The texts the main window and its commands show, each as its Japanese and
// English form. The window picks one form for its whole life.
#pragma once

#include "base/wide.h"

struct UiText {
  const WideChar* japanese;
  const WideChar* english;

  const WideChar* In(int language) const { return language == 1 ? japanese : english; }
};

namespace uitext {

// Titles of the list view's columns; the status column is filled by a run.
inline constexpr UiText kColumnInput{WSTR("入力ファイル名"), WSTR("Input File")};
inline constexpr UiText kColumnOutput{WSTR("出力ファイル名"), WSTR("Output File")};
inline constexpr UiText kColumnArray{WSTR("配列名"), WSTR("Array Name")};
inline constexpr UiText kColumnStatus{WSTR("状態"), WSTR("Status")};

// Items of the direction, size and byte-order boxes.
inline constexpr UiText kBinaryToText{WSTR("バイナリ→テキスト"), WSTR("Binary -> Text")};
inline constexpr UiText kTextToBinary{WSTR("テキスト→バイナリ"), WSTR("Text -> Binary")};
inline constexpr UiText kBigEndian{WSTR("ビッグエンディアン"), WSTR("Big Endian")};
inline constexpr UiText kLittleEndian{WSTR("リトルエンディアン"), WSTR("Little Endian")};
inline constexpr UiText kUnitSizeTexts[] = {{WSTR("1 バイト"), WSTR("1 Byte")},
                                            {WSTR("2 バイト"), WSTR("2 Byte")},
                                            {WSTR("4 バイト"), WSTR("4 Byte")},
                                            {WSTR("8 バイト"), WSTR("8 Byte")}};

inline constexpr UiText kSelectOutputFolder{WSTR("出力先フォルダを選択してください"),
                                            WSTR("Select output folder")};

// The open-file dialog of Add. Filters are pairs of NUL-terminated strings
// ending with an empty one.
inline constexpr UiText kAddFilter{WSTR("すべてのファイル (*.*)\0*.*\0"),
                                   WSTR("All files (*.*)\0*.*\0")};
inline constexpr UiText kAddTitle{WSTR("ファイルを選択"), WSTR("Selected Files")};

// The question of Delete and All Delete: one row is named (%ls, its file
// name), several are counted (%d). Each says the files stay on the disk.
inline constexpr UiText kRemoveOneQuestion{
    WSTR("「%ls」をリストから削除しますか？\r\nディスク上のファイルは削除されません。"),
    WSTR("Remove \"%ls\" from the list?\r\nThe file on disk is not touched.")};
inline constexpr UiText kRemoveSomeQuestion{
    WSTR("%d 個のファイルをリストから削除しますか？\r\nディスク上のファイルは削除されません。"),
    WSTR("Remove %d files from the list?\r\nThe files on disk are not touched.")};
inline constexpr UiText kRemoveAllQuestion{
    WSTR("リストのすべてのファイル（%d 個）を削除しますか？\r\n"
         "ディスク上のファイルは削除されません。"),
    WSTR("Remove all %d files from the list?\r\nThe files on disk are not touched.")};
inline constexpr UiText kRemoveCaption{WSTR("リストから削除"), WSTR("Remove from List")};

// The window's title: "[*]name - Brelvix", the star while the list has
// changes a close would ask about; the name of a list never saved.
inline constexpr UiText kUntitledList{WSTR("無題"), WSTR("Untitled")};
// A recent list chosen in the File menu that is no longer there; the path
// follows on a line of its own.
inline constexpr UiText kRecentListMissing{
    WSTR("ファイルリストが見つからないため、最近使ったリストから削除しました。"),
    WSTR("The file list is no longer there, so it was removed from the recent lists.")};
// The status column after a run: the output made (%ls, its file name), and
// after it a warning when there was one.
inline constexpr UiText kRowConverted{WSTR("変換済み: %ls"), WSTR("converted: %ls")};

// The list file dialogs.
inline constexpr UiText kSaveListFilter{
    WSTR("ファイルリスト (*.csv)\0*.csv\0すべてのファイル (*.*)\0*.*\0"),
    WSTR("File lists (*.csv)\0*.csv\0All files (*.*)\0*.*\0")};
inline constexpr UiText kSaveListTitle{WSTR("ファイルリストの保存"), WSTR("Save File List")};
inline constexpr UiText kLoadListFilter{
    WSTR("ファイルリスト (*.csv)\0*.csv\0すべてのファイル (*.*)\0*.*\0"),
    WSTR("File lists (*.csv)\0*.csv\0All files (*.*)\0*.*\0")};
inline constexpr UiText kLoadListTitle{WSTR("ファイルリストの読み込み"), WSTR("Load File List")};

// Saving a list file that cannot be created, or whose writing fell short.
inline constexpr UiText kCannotOpenFile{WSTR("ファイルがオープンできません"),
                                        WSTR("Can't open file")};
inline constexpr UiText kCannotWriteFile{WSTR("ファイルに書き込めません"),
                                         WSTR("Can't write file")};
inline constexpr UiText kSaveListCaption{WSTR("ファイルリストの保存"), WSTR("Save file list")};

// Loading a list file that does not open, or whose quoted cell is never
// closed; a printf format of the line number, followed by the path.
inline constexpr UiText kLoadListCaption{WSTR("ファイルリストの読み込み"), WSTR("Load file list")};
inline constexpr UiText kUnterminatedQuote{WSTR("%d 行目の引用符が閉じていません"),
                                           WSTR("The quote on line %d is never closed")};

// Execute could not write the settings file; shown once per session.
inline constexpr UiText kSettingsNotSaved{
    WSTR("設定ファイルに保存できませんでした。設定はこのセッションの間だけ有効です。"),
    WSTR("The settings could not be saved to the settings file; they hold for this "
         "session only.")};
// Execute with a value format the converters cannot use: the run does not
// start, so that the format can be corrected. The format follows on a line
// of its own.
inline constexpr UiText kInvalidValueFormat{
    WSTR("データ形式が正しくないため、変換を開始できません。\r\n"
         "%d %i %u %o %x %X のいずれか1つだけを含む形式を入力してください（例: 0x%02X）。"),
    WSTR("The data format is not valid, so the conversion was not started.\r\n"
         "Enter a format with exactly one of %d %i %u %o %x %X (for example 0x%02X).")};

// Ends the rows named at the end of a run when there are more.
inline constexpr const WideChar* kMoreFailedRows = WSTR("...");

// ---- The end of a run, the output folder checked before it, array names ----

// The end of a run with anything to report. The figures are put in by the
// caller in this order: rows converted, all rows, of the converted those
// with warnings, failed rows, skipped rows. Lines naming rows follow.
inline constexpr UiText kRunFinishedCounts{
    WSTR("変換が終了しました。%d 件を変換しました（全 %d 件、うち警告 %d 件）。失敗 %d "
         "件、スキップ %d 件。"),
    WSTR("Data convert finished: %d of %d files converted (%d with warnings), %d failed, %d "
         "skipped.")};
inline constexpr UiText kRunStoppedCounts{
    WSTR("変換を中断しました。%d 件を変換しました（全 %d 件、うち警告 %d 件）。失敗 %d "
         "件、スキップ %d 件。"),
    WSTR("Data convert stopped: %d of %d files converted (%d with warnings), %d failed, %d "
         "skipped.")};
// What each named row is: "<input name>: " and one of these.
inline constexpr UiText kRowStopped{WSTR("中断したため出力していません"),
                                    WSTR("stopped, not written")};
// Skipped, warned and failed rows: app_main_run_win32.cpp, by status.

// Execute with an output folder that is not there: Yes creates it and runs.
// The folder follows on a line of its own.
inline constexpr UiText kCreateOutputFolder{
    WSTR("出力先フォルダがありません。作成して変換しますか？"),
    WSTR("The output folder does not exist. Create it and convert?")};
// Execute with an output folder that cannot be made or written: nothing
// starts. The folder and the system's cause follow on lines of their own.
inline constexpr UiText kOutputFolderNotCreated{
    WSTR("出力先フォルダを作成できないため、変換を開始できません。"),
    WSTR("The output folder cannot be created, so the conversion was not started.")};
inline constexpr UiText kOutputFolderNotWritable{
    WSTR("出力先フォルダに書き込めないため、変換を開始できません。"),
    WSTR("The output folder cannot be written, so the conversion was not started.")};

// Modify's OK with an array name that is no C identifier: Yes keeps it.
inline constexpr UiText kArrayNameNotIdentifier{
    WSTR("配列名が C の識別子ではないため、出力はそのままではコンパイルできません。\r\n"
         "識別子は英字・数字・_ からなり、数字で始まりません。この名前のままにしますか？"),
    WSTR("The array name is not a C identifier, so the output will not compile as it is.\r\n"
         "An identifier has letters, digits and _ and does not begin with a digit. Keep this "
         "name?")};
// ---- Unsaved work and the output name of Modify ----

// Closing the window or File > Open over a list changed since it was loaded
// or saved (Yes / No / Cancel). The list file's path follows on a line of its
// own when there is one.
inline constexpr UiText kSaveChangesQuestion{WSTR("ファイルリストへの変更を保存しますか？"),
                                             WSTR("Save changes to the file list?")};
// Closing the window while a run converts (Yes / No).
inline constexpr UiText kStopRunQuestion{
    WSTR("変換を実行中です。変換を中断してウィンドウを閉じますか？"),
    WSTR("A conversion is running. Stop it and close the window?")};

// Modify refuses an output file name that Windows would not keep as typed;
// the dialog stays open. kOutputNameHasForbidden is a printf format of the
// character (%c).
inline constexpr UiText kOutputNameIsEmpty{WSTR("出力ファイル名を入力してください。"),
                                           WSTR("Enter an output file name.")};
inline constexpr UiText kOutputNameHasFolder{
    WSTR("出力ファイル名にフォルダー（\\ や /）は指定できません。出力先フォルダーはメイン"
         "ウィンドウで指定してください。"),
    WSTR("The output file name cannot contain a folder (\\ or /). Set the output folder in "
         "the main window.")};
inline constexpr UiText kOutputNameHasForbidden{
    WSTR("出力ファイル名に使えない文字 %c が含まれています。\r\n"
         "ファイル名には次の文字を使えません: < > : \" / \\ | ? *"),
    WSTR("The output file name contains %c, which a file name cannot hold.\r\n"
         "These characters are not allowed: < > : \" / \\ | ? *")};
inline constexpr UiText kOutputNameHasControl{
    WSTR("出力ファイル名に制御文字（タブなど）は使えません。"),
    WSTR("The output file name cannot contain control characters (such as a tab).")};
inline constexpr UiText kOutputNameEndsBadly{
    WSTR("出力ファイル名の末尾にピリオドや空白は使えません。"),
    WSTR("The output file name cannot end with a dot or a space.")};
inline constexpr UiText kOutputNameIsDevice{
    WSTR("出力ファイル名に Windows のデバイス名（CON, PRN, AUX, NUL, COM1～COM9, LPT1～LPT9）"
         "は使えません。"),
    WSTR("The output file name is a name Windows keeps for a device (CON, PRN, AUX, NUL, "
         "COM1 to COM9, LPT1 to LPT9).")};
inline constexpr UiText kFileInfoCaption{WSTR("ファイル情報編集"), WSTR("Edit File Information")};

}  // namespace uitext
