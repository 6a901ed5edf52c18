#include "shared/markup/charsets.h"

#include <string_view>

namespace vidmora {

namespace {

constexpr std::string_view kCharsets =
    "0565001utf-80465001utf81765001unicode-1-1-utf-81765001unicode-2-0-utf-81565001x-unicode20utf8"
    "0565000utf-71765000unicode-1-1-utf-71765000unicode-2-0-utf-71565000csunicode11utf7"
    "1565000x-unicode20utf70601200utf-160801200utf-16le0701200unicode0501200ucs-21501200iso-10646-ucs-2"
    "0901200csunicode0801201utf-16be1101201unicodefffe0612000utf-320812000utf-32le0812001utf-32be"
    "0712001cp120010820127us-ascii0520127ascii1420127ansi_x3.4-19681420127ansi_x3.4-19860920127iso646-us"
    "1620127iso_646.irv:19910220127us0520127cp3670620127ibm3670820127iso-ir-60720127csascii"
    "1201250windows-12500801250x-cp12500601250cp12501201251windows-12510801251x-cp12510601251cp1251"
    "1201252windows-12520601252x-ansi0601252cp12521201253windows-12530601253cp12531201254windows-1254"
    "0601254cp12541201255windows-12550601255cp12551201256windows-12560601256cp12561201257windows-1257"
    "0601257cp12571201258windows-12580601258cp12581100874windows-8740700874dos-8740700874tis-620"
    "1100874iso-8859-110500874cp8741028591iso-8859-10928591iso8859-11028591iso_8859-1"
    "1528591iso_8859-1:19870628591latin10228591l11028591iso-ir-1000528591cp8190628591ibm819"
    "1128591csisolatin11028592iso-8859-20928592iso8859-21028592iso_8859-21528592iso_8859-2:1987"
    "0628592latin20228592l21028592iso-ir-1011128592csisolatin21028593iso-8859-31028593iso_8859-3"
    "1528593iso_8859-3:19880628593latin30228593l31028593iso-ir-1091128593csisolatin31028594iso-8859-4"
    "1028594iso_8859-41528594iso_8859-4:19880628594latin40228594l41028594iso-ir-1101128594csisolatin4"
    "1028595iso-8859-51028595iso_8859-51528595iso_8859-5:19880828595cyrillic1028595iso-ir-144"
    "1828595csisolatincyrillic1028596iso-8859-61028596iso_8859-61528596iso_8859-6:19870628596arabic"
    "0828596ecma-1141028596iso-ir-1271628596csisolatinarabic0800708asmo-7081028597iso-8859-7"
    "1028597iso_8859-71528597iso_8859-7:19870528597greek0628597greek80828597ecma-1180828597elot_928"
    "1028597iso-ir-1261528597csisolatingreek1028598iso-8859-81028598iso_8859-81528598iso_8859-8:1988"
    "0628598hebrew0628598visual1028598iso-ir-1381628598csisolatinhebrew1238598iso-8859-8-i0738598logical"
    "1028599iso-8859-91028599iso_8859-91528599iso_8859-9:19890628599latin50228599l51028599iso-ir-148"
    "1128599csisolatin51128603iso-8859-131128605iso-8859-151128605iso_8859-150728605latin-90628605latin9"
    "0228605l90620866koi8-r0520866koi8r0320866koi0420866koi80720866cskoi8r0621866koi8-u0721866koi8-ru"
    "0600437ibm4370500437cp43703004374371600437cspc8codepage4370600850ibm8500500850cp8500300850850"
    "1900850cspc850multilingual0600852ibm8520500852cp85203008528520800852cspcp8520600866ibm866"
    "0500866cp86603008668660800866csibm8660900932shift_jis0900932shift-jis0400932sjis0900932sjis-open"
    "0800932ms_kanji1000932csshiftjis0600932x-sjis1100932windows-31j1000932x-ms-cp9320500932cp932"
    "0651932euc-jp0851932x-euc-jp0551932x-euc1951932cseucpkdfmtjapanese"
    "4551932extended_unix_code_packed_format_for_japanese1150220iso-2022-jp1150220csiso2022jp"
    "0600936gb23120300936gbk0500936cp9360500936cn-gb0700936chinese0500936x-gbk1000936gb_2312-80"
    "0900936gb2312-800800936csgb23121000936csgb2312800900936iso-ir-580600936euc-cn0800936x-euc-cn"
    "0754936gb180301052936hz-gb-23120400950big51000950big5-hkscs0700950cn-big50800950x-x-big5"
    "0600950csbig50500950cp9501400949ks_c_5601-19871400949ks_c_5601-19890900949ks_c_56010800949ksc_5601"
    "0700949ksc56010600949korean0600949euc-kr0700949cseuckr1000949iso-ir-1491300949csksc56011987"
    "0500949cp9491150225iso-2022-kr1150225csiso2022kr0501361johab0910000macintosh0310000mac"
    "1110000x-mac-roman1110000csmacintosh1410001x-mac-japanese1710002x-mac-chinesetrad1210003x-mac-korean"
    "1210004x-mac-arabic1210005x-mac-hebrew1110006x-mac-greek1410007x-mac-cyrillic"
    "1710008x-mac-chinesesimp0810029x-mac-ce1510079x-mac-icelandic1310081x-mac-turkish"
    ;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

int CodePageOfCharset(std::string_view name) {
  while (!name.empty() && IsBlank(name.front())) name.remove_prefix(1);
  while (!name.empty() && IsBlank(name.back())) name.remove_suffix(1);
  if (name.empty()) return 0;
  for (size_t i = 0; i + 7 <= kCharsets.size();) {
    const int digits = (kCharsets[i] - '0') * 10 + (kCharsets[i + 1] - '0');
    const auto length = static_cast<size_t>(digits);
    int codePage = 0;
    for (size_t k = 2; k < 7; ++k) codePage = codePage * 10 + (kCharsets[i + k] - '0');
    const std::string_view entry = kCharsets.substr(i + 7, length);
    i += 7 + length;
    if (entry.size() != name.size()) continue;
    bool equal = true;
    for (size_t k = 0; k < entry.size() && equal; ++k) equal = entry[k] == Lower(name[k]);
    if (equal) return codePage;
  }
  return 0;
}

std::string IconvNameOfCodePage(int codePage) {
  switch (codePage) {
    case 65001: return "UTF-8";
    case 65000: return "UTF-7";
    case 1200: return "UTF-16LE";
    case 1201: return "UTF-16BE";
    case 12000: return "UTF-32LE";
    case 12001: return "UTF-32BE";
    case 20127: return "ASCII";
    case 708: return "ISO-8859-6";
    case 38598: return "ISO-8859-8";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 51932: return "EUC-JP";
    case 50220: return "ISO-2022-JP";
    case 54936: return "GB18030";
    case 50225: return "ISO-2022-KR";
    case 1361: return "CP1361";
    case 10000: return "MACINTOSH";
    case 10001: return "SHIFT_JIS";
    case 10002: return "BIG5";
    case 10003: return "EUC-KR";
    case 10007: return "MAC-CYRILLIC";
    case 10008: return "EUC-CN";
    case 10029: return "MAC-CENTRALEUROPE";
    case 10079: return "MAC-IS";
    default: break;
  }
  if (codePage >= 28591 && codePage <= 28606) return "ISO-8859-" + std::to_string(codePage - 28590);
  if ((codePage >= 1250 && codePage <= 1258) || codePage == 874 || codePage == 437 || codePage == 850 ||
      codePage == 852 || codePage == 866 || codePage == 932 || codePage == 936 || codePage == 949 ||
      codePage == 950) {
    return "CP" + std::to_string(codePage);
  }
  return {};
}

}  // namespace vidmora
