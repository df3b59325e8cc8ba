// The controller's own texts, as Shift_JIS bytes (code page 932); the
// definitions are written in UTF-8 and converted when the client is built.
#pragma once

namespace tolvar::client::texts {

extern const char kNoUrl[];
extern const char kNoProxyPort[];
extern const char kProxyPortNotNumber[];
extern const char kProxyPortNegative[];
extern const char kBadRetrys[];
extern const char kBadInterval[];
extern const char kBadTimeOut[];
extern const char kRetrysNeedTimeOut[];
extern const char kConnectionClosed[];
// Follows the number of seconds.
extern const char kRetryInSuffix[];
extern const char kHostResolved[];
extern const char kConnected[];
extern const char kAborting[];
// A file message: kFilePrefix, the full path, "\". ", the system's text, then
// kCannotCreateSuffix, kCannotOpenSuffix or kCannotReadSuffix.
extern const char kFilePrefix[];
extern const char kCannotCreateSuffix[];
extern const char kCannotOpenSuffix[];
extern const char kCannotReadSuffix[];
// A retry refused because a failed attempt's body went where it cannot be
// taken back (a pipe, a terminal, a device).
extern const char kNoRetryAfterBodyPassedOn[];

}  // namespace tolvar::client::texts
