// The jobs' English failures in the window's Japanese; the texts the window has always shown
// stay byte for byte.
#include <gtest/gtest.h>

#include "app/WindowTexts.h"

using veldrant::app::WindowText;

TEST(WindowTexts, TheMarkImportsFailuresAreInJapaneseWithTheirPathsAndReasons) {
    struct Case {
        const char* english;
        const char* japanese;
    };
    for (
        const Case& c : {
            Case{"The mark file could not be created: cannot create 'Z:/地点/a.csv': Invalid "
                 "argument",
                 "地点データのファイルを作成できませんでした。\n「Z:/地点/a.csv」を作成できません。"
                 "Invalid argument"},
            Case{"The mark file could not be created: cannot create '/t/a.csv': the folder '/t' "
                 "does not exist",
                 "地点データのファイルを作成できませんでした。\n「/t/a.csv」を作成できません。"
                 "フォルダー「/t」が存在しません。"},
            Case{
                "The mark file could not be created: '/t/a' is a folder, not a file",
                "地点データのファイルを作成できませんでした。\n「/t/a」はファイルではありません。"},
            Case{"The mark file could not be written: cannot write '/t/a.csv': No space left on "
                 "device. /t/a.csv was left as it was.",
                 "地点データのファイルに書き込めませんでした。\n「/t/a.csv」に書き込めません。No "
                 "space left on device\n/t/a.csv は元のままです。"},
            Case{"The mark file could not be written: cannot write '/t/a.csv': the file is closed",
                 "地点データのファイルに書き込めませんでした。\n「/t/a.csv」に書き込めません。"
                 "ファイルは閉じられています。"},
            Case{"2 of 3 mark sets could not be read from the watch; /t/100%2.csv was not written.",
                 "3 件の地点データのうち 2 件を端末から読み取れませんでした。\n/t/100%2.csv "
                 "には何も書き込んでいません。"},
            Case{"No mark set on the watch holds a mark; /t/a.csv was not written.",
                 "端末の地点データには地点がひとつもありません。\n/t/a.csv "
                 "には何も書き込んでいません。"},
            Case{"1 of 12 mark sets could not be read from the watch and are missing from "
                 "/t/a.csv.",
                 "12 件の地点データのうち 1 件を端末から読み取れませんでした。\n/t/a.csv "
                 "にはその地点データが含まれていません。"},
            Case{"The watch reports 70000 mark sets, more than it can hold. Nothing was "
                 "imported; reconnect the watch and try again.",
                 "端末は地点データが 70000 件あると答えましたが、端末が保持できる数を超えています。"
                 "\n何も取り込んでいません。端末を接続し直して、もう一度お試しください。"},
        }) {
        EXPECT_EQ(WindowText(c.english), c.japanese) << c.english;
    }
}

TEST(WindowTexts, TheWindowsOwnTextsPassThroughByteForByte) {
    for (const char* text :
         {"Device removed!", "Incorrect firmwarefile!", "Failed to Open firmware file",
          "Failed to read zip file!", "Failed to read course file", "完了しました。",
          "端末とUSBの接続を確認してください", "地点データがありません。", " ", "",
          "cannot create '/t/a.csv': Invalid argument", "The mark file could not be"}) {
        EXPECT_EQ(WindowText(text), text);
    }
}
