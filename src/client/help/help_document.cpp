#include "client/help/help_document.h"

#include <cstddef>
#include <initializer_list>

#include "client/support/method.h"
#include "client/support/url_text.h"

namespace tolvar::client {
namespace {

// The page's fixed texts. This file is UTF-8; the build compiles its string
// literals to Shift_JIS (code page 932), the bytes the page is made of.
const char* const kHead[] = {
    "<HTML><HEAD>",
    "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html;CHARSET=Shift_JIS\">",
    "<!-- このページはシフトＪＩＳで書かれています -->",
    "<TITLE>Quillon のヘルプ</TITLE>",
    "</HEAD>",
    "<BODY>",
    "<H3>名前</H3>",
    "<BLOCKQUOTE>",
    "tolvar - Quillon",
    "</BLOCKQUOTE>",
    "<H3>コマンドラインの書式</H3>",
    "<BLOCKQUOTE>",
    "<B>tolvar</B> [-0] [-q] [-lu]",
    "[-fm {GET|POST|PUT}] [-ff FileToPostOrPut] [-fs StringToPostOrPut]",
    "[-u URL] [-r Referer]",
    "[-p ProxyHost] [-c ProxyPortNumber]",
    "[-h HeaderToSave] [-b BodyToSave]",
    "[-xu Username] [-xp Password]",
    "[-a Retrys] [-i Interval] [-t TimeOut]",
    "</BLOCKQUOTE>",
    "<H3>概要</H3>",
    "<BLOCKQUOTE>",
    "コマンドラインから起動して WEB サーバーからコンテンツを取得するツールです。",
    "URL で指定したリソース(ファイル)をダウンロードして標準出力に表示あるいは",
    "ファイル保存します。",
    "</BLOCKQUOTE>",
    "<H3>オプションの説明</H3>",
    "<BLOCKQUOTE>",
    "<TABLE>",
};
const char kLabelOpen[] = "<TR><TD VALIGN=TOP><TABLE><TR><TD VALIGN=TOP><NOBR><B>";
const char kLabelClose[] = "</B></NOBR></TR></TABLE><TD>";
const char kDescriptionOpen[] = "<TABLE><TR><TD>";
const char kCurrentOpen[] = "<TR><TD><B>現在の設定</B>: ";
const char kRowClose[] = "</TABLE></TR>";
const char* const kTwoLabels[] = {
    "<TR><TD VALIGN=TOP><TABLE><TR><TD VALIGN=TOP><NOBR><B>-ff FileToPostOrPut</B></NOBR><BR>",
    "<NOBR><B>-fs StringToPostOrPut</B></NOBR></TR></TABLE><TD>",
};
const char* const kRow1Description[] = {
    "-0[+] 初期値を INI ファイルから読み込まずに起動し、保存もしません。",
    "-0- 初期値を INI ファイルから読み込み、保存もします。",
};
const char* const kRow2Description[] = {
    "コマンドラインインターフェースを使用し GUI は開きません。",
    "このオプションを指定すると同時に -0 が指定され、初期値を INI ファイルから",
    "読み込まなく(保存もされなく)なります。INI ファイルから初期値を読み込む",
    "(保存する)場合は -q -0- と指定してください。",
};
const char* const kRow3Description[] = {
    "エラーメッセージは UNIX 改行スタイルにします。",
};
const char* const kRow4Description[] = {
    "要求の種類を指定します.",
};
const char* const kRow5Description[] = {
    "POST または PUT で送信するデータを指定します。",
    "-ff で FileToPostOrPut で指定したファイルから送信し、",
    "-fs で StringToPostOrPut で指定した文字列を送信します。",
    "-ff -fs のどちらか 1 つだけ指定します。",
    "",
};
const char* const kRow6Description[] = {
    "ダウンロードする URL を指定します。",
    "https の URL はサーバーの証明書を検証してから取得します(TLS 1.2 以上)。",
    "テスト用サーバーの CA を信頼させるには、Linux では環境変数 SSL_CERT_FILE",
    "(または SSL_CERT_DIR)で CA 証明書を指定し、Windows では証明書ストアの",
    "「信頼されたルート証明機関」に追加してください。検証を省く指定はありません。",
};
const char* const kRow7Description[] = {
    "URL を参照しているページを指定します。",
};
const char* const kRow8Description[] = {
    "パスワード付きページに対してユーザー名を指定します。",
};
const char* const kRow9Description[] = {
    "パスワード付きページに対してパスワードを指定します。",
};
const char* const kRow10Description[] = {
    "Proxy(代理) サーバーを指定します。",
};
const char* const kRow11Description[] = {
    "Proxy サーバーのポート番号を指定します。",
};
const char* const kRow12Description[] = {
    "サーバーが返したヘッダを保存するファイルを指定します。",
};
const char* const kRow13Description[] = {
    "サーバーが返した本文を保存するファイルを指定します。",
};
const char* const kRow14Description[] = {
    "失敗した場合再試行回数を指定します。",
};
const char* const kRow15Description[] = {
    "再試行をする時間間隔を指定します(秒)。",
};
const char* const kRow16Description[] = {
    "接続開始から接続を諦める間での時間を指定します(秒)。",
};
const char* const kRow17Description[] = {
    "このヘルプを表示します。",
};
const char kRow5Note[] = "省略可能、省略は \"...\" を指定します。";
const char kRow6Note[] = "URL に - を指定すると stdin から読み込みをします。";
const char kRow7Note[] = "省略可能、省略は \"...\" を指定します。";
const char kRow8Note[] = "省略可能です。";
const char kRow9Note[] = "省略可能です。";
const char kRow10Note[] = "空の文字列で直接接続になります。\"...\" は空文字列として扱います。";
const char kRow11Note[] = "ProxyServer を指定している場合は一緒に設定してください。";
const char kRow12Note[] = "空の文字列を指定すると stderr に出力します。\"...\" は空文字列として扱います。";
const char kRow13Note[] = "空の文字列を指定すると stdout に出力します。\"...\" は空文字列として扱います。";
const char kRow14Note[] = "0 または空文字列 \"...\" ならば再試行はしません。上限 99 です。";
const char kRow15Note[] = "再試行回数が 1 以上の場合意味があります。上限 999 です。";
const char kRow16Note[] = "再試行回数が 1 以上の場合は 1 以上の値を指定して下さい。上限 9999 です。";
const char kIniIgnored[] = "コマンドラインに INI ファイルを無視する指定があります。";
const char kIniUsed[] = "コマンドラインに INI ファイルを無視する指定はありません。";
const char kQuiet[] = "コマンドライン";
const char kGui[] = "GUI を表示";
const char kUnix[] = "UNIX スタイル";
const char kDos[] = "DOS スタイル";
const char kNotGiven[] = "指定なし";
const char kStdin[] = "stdin から読み取り";
const char kUserSet[] = "ユーザー名が指定されています。";
const char kUserUnset[] = "ユーザー名は指定されていません。";
const char kPassSet[] = "パスワードが指定されています。";
const char kPassUnset[] = "パスワードは指定されていません。";
const char kNoProxy[] = "Proxy を使用しない。";
const char kToStderr[] = "stderr に出力";
const char kToStdout[] = "stdout に出力";
const char kNoRetry[] = "再試行しない。";
const char kNoTimeout[] = "タイムアウトしない。";
const char* const kAfterRows[] = {
    "</TABLE>",
    "</BLOCKQUOTE>",
};
const char* const kExitCodes[] = {
    "<H3>終了コードの説明</H3>",
    "<BLOCKQUOTE>",
    "<TABLE>",
    "<TR><TD>0<TD>成功しました。</TR>",
    "<TR><TD>1<TD>コマンドライン引き数または、GUI で設定した内容が不備なため失敗しました。</TR>",
    "<TR><TD>2<TD>ファイルアクセスに問題が発生しました。</TR>",
    "<TR><TD>3<TD>接続に失敗しました。</TR>",
    "<TR><TD>4<TD>接続はできましたが、サーバーにコンテンツが無いかアクセス拒否されました。</TR>",
    "<TR><TD>5<TD>プログラムを続行できない問題が発生しました。</TR>",
    "</TABLE>",
    "</BLOCKQUOTE>",
};
const char* const kFilesBefore[] = {
    "<H3>関連ファイル</H3>",
    "<BLOCKQUOTE>",
    "<TABLE>",
    "<TR><TD>tolvar.ini<TD>コマンドラインを記憶するファイルです。</TR>",
    "<TR><TD><A HREF=\"readme.htm\">readme.htm</A><TD>追加情報です。</TR>",
    "<TR><TD>tolvar.htm</A><TD>このファイルを生成できないときに表示します。</TR>",
};
const char kHelpPathOpen[] = "<TR><TD>";
const char kHelpPathClose[] = "<TD>このヘルプファイルです。</TR>";
const char* const kFilesAfter[] = {
    "</TABLE>",
    "</BLOCKQUOTE>",
};
const char* const kClosingBefore[] = {
    "<H3>Copyright</H3>",
    "<BLOCKQUOTE>",
};
const char* const kClosingAfter[] = {
    "</BLOCKQUOTE>",
    "</BODY></HTML>",
};

class PageWriter {
 public:
  void Line(const std::string& text) {
    page_ += text;
    page_ += "\r\n";
  }
  template <std::size_t N>
  void Lines(const char* const (&lines)[N]) {
    for (const char* line : lines) Line(line);
  }
  // One option: its label line (or lines), the description whose first line
  // opens the inner table and whose last closes its row, the note, the
  // current setting, the closing line. `current` null: no current setting.
  template <std::size_t N>
  void Row(const char* label, const char* const (&description)[N], const char* note, const std::string* current) {
    if (label)
      Line(std::string(kLabelOpen) + label + kLabelClose);
    else
      Lines(kTwoLabels);
    for (std::size_t i = 0; i < N; ++i)
      Line(std::string(i == 0 ? kDescriptionOpen : "") + description[i] + (i + 1 == N ? "</TR>" : ""));
    if (note) Line(std::string("<TR><TD>") + note + "</TR>");
    if (current) Line(kCurrentOpen + *current + "</TR>");
    Line(kRowClose);
  }
  std::string Take() { return std::move(page_); }

 private:
  std::string page_;
};

// A setting as page text: a browser opens the page with the user's rights,
// so no value may open a tag, an attribute or an entity of its own. The five
// bytes are ASCII below 0x40, never the trail byte of a Shift_JIS character,
// so the value is escaped byte by byte whatever its code page.
std::string Escaped(const std::string& value) {
  std::string out;
  out.reserve(value.size());
  for (char c : value) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string OrText(const std::string& value, const char* when_empty) {
  return value.empty() ? when_empty : Escaped(value);
}

std::string PostPutData(const TCommandLineOption& o) {
  if (o.FPostPutData.empty()) return kNotGiven;
  return std::string(o.FPostPutAsFileName ? "-ff" : "-fs") + " \"" + Escaped(o.FPostPutData) + "\"";
}

}  // namespace

std::string BuildHelpDocument(const TCommandLineOption& o, const std::string& help_path) {
  using S = std::string;
  PageWriter w;
  w.Lines(kHead);
  const S ini = o.FIgnoreIni ? kIniIgnored : kIniUsed;
  w.Row("-0[+|-]", kRow1Description, nullptr, &ini);
  const S quiet = (o.FFlags & ofQuiet) ? kQuiet : kGui;
  w.Row("-q", kRow2Description, nullptr, &quiet);
  const S style = StdErrLineEnd(o) == TLineEnd::leLf ? kUnix : kDos;
  w.Row("-lu", kRow3Description, nullptr, &style);
  const S method = MethodName(o.FMethod);
  w.Row("-fm {GET|PUT|POST}", kRow4Description, nullptr, &method);
  const S data = PostPutData(o);
  w.Row(nullptr, kRow5Description, kRow5Note, &data);
  // Like -xu and -xp, the URL's own user name and password are not shown.
  const S url = o.FUrl == "-" ? S(kStdin) : Escaped(UrlWithoutUserInfo(o.FUrl));
  w.Row("-u URL", kRow6Description, kRow6Note, &url);
  const S referer = OrText(o.FReferer, kNotGiven);
  w.Row("-r Referer", kRow7Description, kRow7Note, &referer);
  const S user = o.FUserName.empty() ? kUserUnset : kUserSet;
  w.Row("-xu Username", kRow8Description, kRow8Note, &user);
  const S password = o.FPassword.empty() ? kPassUnset : kPassSet;
  w.Row("-xp Password", kRow9Description, kRow9Note, &password);
  const S proxy = OrText(o.FProxyHost, kNoProxy);
  w.Row("-p ProxyServer", kRow10Description, kRow10Note, &proxy);
  const S port = o.FProxyHost.empty() ? S(kNoProxy) : Escaped(o.FProxyPort);
  w.Row("-c ProxyPort", kRow11Description, kRow11Note, &port);
  const S header = OrText(o.FHeaderFile, kToStderr);
  w.Row("-h HeaderToSave", kRow12Description, kRow12Note, &header);
  const S body = OrText(o.FBodyFile, kToStdout);
  w.Row("-b BodyToSave", kRow13Description, kRow13Note, &body);
  const S retrys = o.FRetrys.empty() || o.FRetrys == "0" ? S(kNoRetry) : Escaped(o.FRetrys);
  w.Row("-a Retrys", kRow14Description, kRow14Note, &retrys);
  const S interval = OrText(o.FInterval, "0");
  w.Row("-i Interval", kRow15Description, kRow15Note, &interval);
  const S timeout = OrText(o.FTimeOut, kNoTimeout);
  w.Row("-t TimeOut", kRow16Description, kRow16Note, &timeout);
  w.Row("-?", kRow17Description, nullptr, nullptr);
  w.Lines(kAfterRows);
  w.Lines(kExitCodes);
  w.Lines(kFilesBefore);
  w.Line(kHelpPathOpen + Escaped(help_path) + kHelpPathClose);
  w.Lines(kFilesAfter);
  w.Lines(kClosingBefore);
  w.Line("tolvar " + Escaped(o.FVersion) + " - Quillon");
  w.Lines(kClosingAfter);
  return w.Take();
}

}  // namespace tolvar::client
