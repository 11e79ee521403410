#include "setup/texts/JapaneseTexts.h"

namespace setup {

const char* const kJapaneseTextsUtf8[kTextCount + 1] = {
    "",
    u8"セットアップ終了",
    u8"アンセットアップ終了",
    u8"japanese.",
    u8"登録中のクラス: ",
    u8"削除中のクラス: ",
    u8"設定終了",
    u8"ファイルが見つかりませんでした。",
    u8"ユーザ定義型の追加中",
    u8"メッセージファイルの追加中",
    u8"Windowsのレジストリ",
    u8"レジストリ復元中",
    u8"ファイルに書き込めませんでした。",
};

}  // namespace setup
