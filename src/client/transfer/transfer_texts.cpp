// UTF-8 here; the build compiles a copy whose literals hold the Shift_JIS
// bytes.
#include "client/transfer/transfer_texts.h"

namespace tolvar::client::texts {

const char kNoUrl[] = "URL が指定されていません.";
const char kNoProxyPort[] = "ProxyPort が指定されていません.";
const char kProxyPortNotNumber[] = "ProxyPort が数値ではない.";
const char kProxyPortNegative[] = "ProxyPort に負の値は指定できない.";
const char kBadRetrys[] = "Retrys が正しい数値ではありません.";
const char kBadInterval[] = "Interval が正しい数値ではありません.";
const char kBadTimeOut[] = "TimeOut が正しい数値ではありません.";
const char kRetrysNeedTimeOut[] = "Retrys (再試行) 回数を指定した場合 TimeOut (時間待ち上限) を設定してください.";
const char kConnectionClosed[] = "接続を閉じました.";
const char kRetryInSuffix[] = " 秒後に再試行します.";
const char kHostResolved[] = "ホストを発見、接続先 IP アドレスを割り出しました.";
const char kConnected[] = "接続しました.";
const char kAborting[] = "強制切断を試みます.";
const char kFilePrefix[] = "ファイル \"";
const char kCannotCreateSuffix[] = " を作成できません";
const char kCannotOpenSuffix[] = " は開けません";
const char kCannotReadSuffix[] = " を読み込めません";
const char kNoRetryAfterBodyPassedOn[] = "標準出力へ渡した本文は取り消せないため、再試行しません.";

}  // namespace tolvar::client::texts
