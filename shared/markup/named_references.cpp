#include "shared/markup/named_references.h"

#include "shared/markup/markup_text.h"

#include <array>
#include <string_view>

namespace vidmora {

namespace {

constexpr int kBucketCount = 130;

// Generated from the HTML 4 entity lists (Latin-1, symbols, special) and
// XML's "apos"; names keep their case, buckets use the lower-case sum.
constexpr std::array<std::string_view, kBucketCount> kBuckets = {
    "60216Oslash60217Ugrave60248oslash60249ugrave",
    "60221Yacute60253yacute50937Omega50969omega58968lceil",
    "50206Icirc50238icirc50916Delta50948delta68472weierp",
    "40185sup1",
    "40178sup268970lfloor",
    "60164curren40179sup350922Kappa50954kappa58212mdash",
    "59830diams58211ndash",
    "68855otimes58969rceil",
    "50212Ocirc50244ocirc58482trade50338OElig50339oelig",
    "50197Aring50229aring50931Sigma50963sigma",
    "50180acute68971rfloor50732tilde",
    "68249lsaquo",
    "58734infin68201thinsp",
    "50161iexcl",
    "50219Ucirc50251ucirc50920Theta50952theta",
    "58254oline",
    "58260frasl68727lowast",
    "60191iquest59827clubs68250rsaquo",
    "50181micro58629crarr",
    "58222bdquo",
    "",
    "60177plusmn58242prime58243Prime",
    "40914Beta40946beta",
    "",
    "",
    "",
    "50171laquo50215times",
    "40710circ",
    "49001lang",
    "40175macr58220ldquo",
    "50163pound40182para48476real",
    "",
    "50187raquo58713notin",
    "50223szlig50978upsih48773cong",
    "58776asymp58801equiv49002rang58218sbquo",
    "50222THORN50254thorn40402fnof48595darr48659dArr58221rdquo",
    "40162cent58722minus",
    "40170ordf58707exist",
    "",
    "40921Iota40953iota48596harr48660hArr58709empty",
    "",
    "40167sect40196Auml40228auml48226bull48838sube",
    "",
    "48592larr48656lArr58853oplus",
    "30176deg40186ordm58216lsquo",
    "40160nbsp40203Euml40235euml48712isin40039apos",
    "40918Zeta40950zeta",
    "48719prod38743and48195emsp",
    "30935Chi30967chi38745cap48194ensp",
    "40207Iuml40239iuml48594rarr48658rArr48706part48869perp",
    "38736ang48836nsub58217rsquo",
    "",
    "48593uarr48657uArr48901sdot",
    "40169copy48364euro",
    "30919Eta30951eta",
    "40214Ouml40246ouml48839supe",
    "",
    "",
    "30174reg30038amp",
    "48733prop",
    "",
    "30208ETH40220Uuml30240eth40252uuml30934Phi30966phi",
    "",
    "",
    "",
    "40255yuml40376Yuml",
    "",
    "40034quot48204zwnj",
    "38746cup68756there4",
    "30929Rho30961rho38764sim",
    "30932Tau30964tau38834sub",
    "38747int38206lrm38207rlm",
    "30165yen30936Psi30968psi",
    "",
    "30168uml28805ge",
    "30982piv",
    "",
    "30172not",
    "",
    "28804le",
    "30173shy",
    "38721sum28800ne39674loz",
    "",
    "",
    "38835sup",
    "28715ni",
    "",
    "20928Pi20960pi38205zwj",
    "",
    "60923Lambda60955lambda20062gt",
    "",
    "",
    "60199Ccedil60231ccedil",
    "",
    "20060lt",
    "20926Xi20958xi28744or",
    "20924Mu20956mu",
    "20925Nu20957nu",
    "68224dagger68225Dagger",
    "80977thetasym",
    "",
    "",
    "",
    "78501alefsym",
    "",
    "",
    "",
    "60193Aacute60195Atilde60225aacute60227atilde",
    "",
    "60247divide70927Omicron70959omicron",
    "60192Agrave60224agrave",
    "60201Eacute60233eacute60962sigmaf",
    "70917Epsilon70949epsilon",
    "",
    "60200Egrave60232egrave",
    "60205Iacute60237iacute",
    "",
    "",
    "60204Igrave60236igrave68230hellip",
    "60166brvbar",
    "60209Ntilde60241ntilde68704forall58711nabla69824spades",
    "60183middot60189frac1260211Oacute60213Otilde60243oacute60245otilde",
    "",
    "50184cedil60188frac14",
    "50194Acirc50198AElig60210Ograve50226acirc50230aelig60242ograve",
    "60190frac3450915Gamma50947gamma58465image58730radic",
    "60352Scaron60353scaron",
    "60218Uacute60250uacute69829hearts",
    "50202Ecirc50234ecirc50913Alpha70933Upsilon50945alpha70965upsilon",
    "68240permil",
};

}  // namespace

char32_t LookUpNamedReference(std::u16string_view name) {
  if (name.empty() || name.size() > 9) return 0;
  unsigned sum = 0;
  for (char16_t c : name) sum += AsciiLower(c);
  const std::string_view bucket = kBuckets[sum % kBucketCount];
  char32_t caseless = 0;
  for (size_t i = 0; i + 5 <= bucket.size();) {
    const size_t length = static_cast<size_t>(bucket[i] - '0');
    char32_t code = 0;
    for (size_t k = 1; k < 5; ++k) code = code * 10 + static_cast<char32_t>(bucket[i + k] - '0');
    const std::string_view entry = bucket.substr(i + 5, length);
    i += 5 + length;
    if (entry.size() != name.size()) continue;
    bool exact = true;
    bool folded = true;
    for (size_t k = 0; k < entry.size() && folded; ++k) {
      const auto e = static_cast<char16_t>(static_cast<unsigned char>(entry[k]));
      exact = exact && e == name[k];
      folded = AsciiLower(e) == AsciiLower(name[k]);
    }
    if (exact) return code;
    if (folded && caseless == 0) caseless = code;
  }
  return caseless;
}

int NamedReferenceCount() {
  int count = 0;
  for (std::string_view bucket : kBuckets) {
    for (size_t i = 0; i < bucket.size();) {
      i += 5 + static_cast<size_t>(bucket[i] - '0');
      ++count;
    }
  }
  return count;
}

}  // namespace vidmora
