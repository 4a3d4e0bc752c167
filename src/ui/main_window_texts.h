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

// Titles of the list view's three columns.
inline constexpr UiText kColumnInput{WSTR("入力ファイル名"), WSTR("Input File")};
inline constexpr UiText kColumnOutput{WSTR("出力ファイル名"), WSTR("Output File")};
inline constexpr UiText kColumnArray{WSTR("配列名"), WSTR("Array Name")};

// Items of the direction and byte-order boxes; the unit sizes read the same in
// both languages.
inline constexpr UiText kBinaryToText{WSTR("バイナリ→テキスト"), WSTR("Binary -> Text")};
inline constexpr UiText kTextToBinary{WSTR("テキスト→バイナリ"), WSTR("Text -> Binary")};
inline constexpr UiText kBigEndian{WSTR("ビッグエンディアン"), WSTR("Big Endian")};
inline constexpr UiText kLittleEndian{WSTR("リトルエンディアン"), WSTR("Little Endian")};
inline constexpr const WideChar* kUnitSizeTexts[] = {WSTR("1 Byte"), WSTR("2 Byte"), WSTR("4 Byte"),
                                                     WSTR("8 Byte")};

inline constexpr UiText kSelectOutputFolder{WSTR("出力先フォルダを選択してください"),
                                            WSTR("Select output folder")};

// The open-file dialog of Add. Filters are pairs of NUL-terminated strings
// ending with an empty one.
inline constexpr UiText kAddFilter{WSTR("すべてのファイル(*.*)\0*.*\0"),
                                   WSTR("All files(*.*)\0*.*\0")};
inline constexpr UiText kAddTitle{WSTR("ファイルを選択"), WSTR("Selected Files")};

// The question of Delete and All Delete.
inline constexpr UiText kDeleteQuestion{
    WSTR("ファイル名をリストから削除しますか？"),
    WSTR("Do you want to remove the file name from the list ?")};
inline constexpr UiText kDeleteCaption{WSTR("ファイル名の削除"), WSTR("Delete file name")};

// The list file dialogs. Loading names its first filter in the singular.
inline constexpr UiText kSaveListFilter{
    WSTR("ファイルリスト(*.csv)\0*.csv\0全てのファイル(*.*)\0*.*\0"),
    WSTR("File lists(*.csv)\0*.csv\0All files(*.*)\0*.*\0")};
inline constexpr UiText kSaveListTitle{WSTR("ファイルリストの保存"), WSTR("Save File List")};
inline constexpr UiText kLoadListFilter{
    WSTR("ファイルリスト(*.csv)\0*.csv\0全てのファイル(*.*)\0*.*\0"),
    WSTR("File list(*.csv)\0*.csv\0All files(*.*)\0*.*\0")};
inline constexpr UiText kLoadListTitle{WSTR("ファイルリストの読み込み"), WSTR("Load File List")};

// Saving a list file that cannot be created, or whose writing fell short.
inline constexpr UiText kCannotOpenFile{WSTR("ファイルがオープンできません"),
                                        WSTR("Can't open file")};
inline constexpr UiText kCannotWriteFile{WSTR("ファイルに書き込めません"),
                                         WSTR("Can't write file")};
inline constexpr UiText kSaveListCaption{WSTR("ファイルリストの保存"), WSTR("Save file list")};

// Execute with a value format the converters cannot use: the run does not
// start, so that the format can be corrected. The format follows on a line
// of its own.
inline constexpr UiText kInvalidValueFormat{
    WSTR("データ形式が正しくないため、変換を開始できません。\r\n"
         "%d %i %u %o %x %X のいずれか1つだけを含む形式を入力してください（例: 0x%02X）。"),
    WSTR("The data format is not valid, so the conversion was not started.\r\n"
         "Enter a format with exactly one of %d %i %u %o %x %X (for example 0x%02X).")};

// The end of a run in which rows failed; the first few input names follow,
// one a line, and kMoreFailedRows when there are more. The figures are put
// in by the caller: the failed rows and all rows (English), all rows and the
// failed rows (Japanese).
inline constexpr UiText kRunFailed{
    WSTR("変換が終了しました。%d 件中 %d 件のファイルを変換できませんでした:"),
    WSTR("Data convert finished: %d of %d files failed:")};
inline constexpr UiText kRunStoppedAndFailed{
    WSTR("変換を中断しました。%d 件中 %d 件のファイルを変換できませんでした:"),
    WSTR("Data convert stopped: %d of %d files failed:")};
inline constexpr const WideChar* kMoreFailedRows = WSTR("...");

}  // namespace uitext
