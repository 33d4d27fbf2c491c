#include "enrichment/callsign_country.h"

#include <string.h>

#include "enrichment/radioid.h"
#include "host/storage.h"

namespace {

// ITU prefixes, tested from the first row to the last and within a row in the
// order written; the first prefix that starts the callsign decides. The order
// matters: one-character prefixes (F, G, I, K, M, N, W, 2, B) claim every
// callsign beginning with that character that no earlier row took.
struct CallsignPrefixRow {
  const char* code;
  const char* prefixes;  // space-separated, upper case
};

const CallsignPrefixRow CALLSIGN_PREFIX_TABLE[] = {
    {"un", "4U"},
    {"icao", "4Y"},
    {"wmo", "C7"},
    {"no", "3Y JW JX LA LB LC LD LE LF LG LH LI LJ LK LL LM LN"},
    {"hk", "VR"},
    {"mo", "XX"},
    {"ps", "E4"},
    {"uk", "2 G M VP VQ VS ZB ZC ZD ZE ZF ZG ZH ZI ZJ ZN ZO ZQ"},
    {"de", "DA DB DC DD DE DF DG DH DI DJ DK DL DM DN DO DP DQ DR Y2 Y3 Y4 Y5 Y6 Y7 Y8 Y9"},
    {"fr", "F HW HX HY TH TK TM TO TP TQ TV TW TX"},
    {"es", "EA EB EC ED EE EF EG EH AM AN AO"},
    {"it", "I"},
    {"nl", "PA PB PC PD PE PF PG PH PI"},
    {"be", "ON OO OP OQ OR OS OT"},
    {"dk", "OU OV OW OX OY OZ 5P 5Q XP"},
    {"fi", "OH OF OG OI OJ"},
    {"at", "OE"},
    {"cz", "OK OL"},
    {"sk", "OM"},
    {"ch", "HB HE"},
    {"lu", "LX"},
    {"lt", "LY"},
    {"bg", "LZ"},
    {"md", "ER"},
    {"ee", "ES"},
    {"by", "EU EV EW"},
    {"am", "EK"},
    {"kg", "EX"},
    {"tj", "EY"},
    {"tm", "EZ"},
    {"si", "S5"},
    {"hr", "9A"},
    {"hu", "HA HG"},
    {"pl", "HF 3Z SN SO SP SQ SR"},
    {"ro", "YO YP YQ YR"},
    {"rs", "YT YU"},
    {"mk", "Z3"},
    {"ba", "E7"},
    {"me", "4O"},
    {"gr", "SV SW SX SY SZ J4"},
    {"tr", "TA TB TC YM"},
    {"sm", "T7"},
    {"pt", "CT CQ CR CS CU"},
    {"ie", "EI EJ"},
    {"ru",
     "UA UB UC UD UE UF UG UH UI RA RB RC RD RE RF RG RH RI RJ RK RL RM RN RO RP RQ RR RS RT RU RV RW RX RY RZ"},
    {"ua", "UR US UT UU UV UW UX UY UZ EM EN EO"},
    {"uz", "UJ UK UL UM"},
    {"kz", "UN UO UP UQ"},
    {"us",
     "K N W AA AB AC AD AE AF AG AH AI AJ AK KA KB KC KD KE KF KG KH KI KJ KK KL KM KN KO KP KQ KR KS KT KU KV KW KX KY KZ NA NB NC ND NE NF NG NH NI NJ NK NL NM NN NO NP NQ NR NS NT NU NV NW NX NY NZ WA WB WC WD WE WF WG WH WI WJ WK WL WM WN WO WP WQ WR WS WT WU WV WW WX WY WZ"},
    {"ca", "CF CG CH CI CJ CK CY CZ VA VB VC VD VE VF VG VO VX VY XJ XK XL XM XN XO"},
    {"mx", "XA XB XC XD XE XF XG XH XI 4A 4B 4C 6D 6E 6F 6G 6H 6I 6J"},
    {"ag", "V2"},
    {"bz", "V3"},
    {"kn", "V4"},
    {"gd", "J3"},
    {"lc", "J6"},
    {"dm", "J7"},
    {"vc", "J8"},
    {"bb", "8P"},
    {"gy", "8R"},
    {"tt", "9Y 9Z"},
    {"bs", "C6"},
    {"cu", "CO CL CM T4"},
    {"pa", "HP HO H3 H8 H9 3E 3F"},
    {"aw", "P4"},
    {"cw", "PJ"},
    {"sr", "PZ"},
    {"cr", "TI TE"},
    {"gt", "TG TD"},
    {"ni", "YN H6 H7 HT"},
    {"hn", "HR HQ"},
    {"sv", "HU YS"},
    {"do", "HI"},
    {"ht", "HH 4V"},
    {"ar", "AY AZ L2 L3 L4 L5 L6 L7 L8 L9 LO LP LQ LR LS LT LU LV LW"},
    {"bo", "CP"},
    {"uy", "CX CV CW"},
    {"ec", "HC HD"},
    {"co", "HK HJ 5J 5K"},
    {"pe", "OA OB OC 4T"},
    {"ve", "YV YW YX YY 4M"},
    {"br", "PP PQ PR PS PT PU PV PW PX PY ZV ZW ZX ZY ZZ"},
    {"cl", "CA CB CC CD CE 3G XQ XR"},
    {"py", "ZP"},
    {"bw", "A2 8O"},
    {"mu", "3B"},
    {"gq", "3C"},
    {"sz", "3D"},
    {"gn", "3X"},
    {"ly", "5A"},
    {"tz", "5H 5I"},
    {"lr", "5L 5M 6Z A8 D5 EL"},
    {"ng", "5N 5O"},
    {"mg", "5R 5S 6X"},
    {"mr", "5T"},
    {"ne", "5U"},
    {"tg", "5V"},
    {"ug", "5X"},
    {"ke", "5Y 5Z"},
    {"sn", "6V 6W"},
    {"ls", "7P"},
    {"mw", "7Q"},
    {"dz", "7R 7T 7U 7V 7W 7X 7Y"},
    {"et", "9E 9F ET"},
    {"gh", "9G"},
    {"zm", "9I 9J"},
    {"sl", "9L"},
    {"cd", "9O 9P 9Q 9R 9S 9T"},
    {"bi", "9U"},
    {"rw", "9X"},
    {"gm", "C5"},
    {"mz", "C8 C9"},
    {"ma", "CN 5C 5D 5E 5F 5G"},
    {"ao", "D2 D3"},
    {"cv", "D4"},
    {"km", "D6"},
    {"dj", "J2"},
    {"sc", "S7"},
    {"za", "S8 ZR ZS ZT ZU"},
    {"st", "S9"},
    {"eg", "SU SSA SSB SSC SSD SSE SSF SSG SSH SSI SSJ SSK SSL SSM"},
    {"sd", "SSN SSO SSP SSQ SSR SSS SST SSU SSV SSW SSX SSY SSZ ST 6T 6U"},
    {"cm", "TJ"},
    {"cf", "TL"},
    {"cg", "TN"},
    {"ga", "TR"},
    {"tn", "TS 3V"},
    {"td", "TT"},
    {"ci", "TU"},
    {"bj", "TY"},
    {"ml", "TZ"},
    {"bf", "XT"},
    {"zw", "Z2"},
    {"ss", "Z8"},
    {"az", "4J 4K"},
    {"ge", "4L"},
    {"il", "4X 4Z"},
    {"cy", "5B C4 H2 P3"},
    {"ye", "7O"},
    {"sa", "7Z 8Z HZ"},
    {"kw", "9K"},
    {"np", "9N"},
    {"om", "A4"},
    {"bt", "A5"},
    {"ae", "A6"},
    {"qa", "A7"},
    {"bh", "A9"},
    {"pk", "AP AQ AR AS 6P 6Q 6R 6S"},
    {"ir", "EP EQ 9B 9C 9D"},
    {"iq", "HN YI"},
    {"jo", "JY"},
    {"lb", "OD"},
    {"sy", "YK 6C"},
    {"af", "T6 YA"},
    {"mv", "8Q"},
    {"in", "8T 8U 8V 8W 8X 8Y AT AU AV AW VT VU VV VW"},
    {"my", "9M 9W"},
    {"sg", "9V S6"},
    {"tw", "BV"},
    {"cn",
     "B 3H 3I 3J 3K 3L 3M 3N 3O 3P 3Q 3R 3S 3T 3U BA BB BC BD BE BF BG BH BI BJ BK BL BM BN BO BP BQ BR BS BT BU BW BX BY BZ XS"},
    {"kr", "DS DT D7 D8 D9 6K 6L 6M 6N HL"},
    {"kp", "HM P5 P6 P7 P8 P9"},
    {"th", "E2 HS"},
    {"jp", "JA JB JC JD JE JF JG JH JI JJ JK JL JM JN JO JP JQ JR JS 7J 7K 7L 7M 7N 8J 8K 8L 8M 8N"},
    {"mn", "JT JU JV"},
    {"id", "PK PL PM PN PO 7A 7B 7C 7D 7E 7F 7G 7H 7I 8A 8B 8C 8D 8E 8F 8G 8H 8I JZ YB YC YD YE YF YG YH"},
    {"bn", "V8"},
    {"kh", "XU"},
    {"vn", "XV 3W"},
    {"la", "XW"},
    {"mm", "XY XZ"},
    {"pg", "P2"},
    {"to", "A3"},
    {"nr", "C2"},
    {"ck", "E5"},
    {"nu", "E6"},
    {"sb", "H4"},
    {"tv", "T2"},
    {"ki", "T3"},
    {"pw", "T8"},
    {"fm", "V6"},
    {"mh", "V7"},
    {"vu", "YJ"},
    {"tl", "4W"},
    {"au", "AX VH VI VJ VK VL VM VN VZ"},
    {"nz", "ZK ZL ZM"},
    {"ws", "5W"},
};

constexpr int CALLSIGN_PREFIX_ROW_COUNT =
    (int)(sizeof(CALLSIGN_PREFIX_TABLE) / sizeof(CALLSIGN_PREFIX_TABLE[0]));
const char* const DEFAULT_COUNTRY_CODE = "de";

// True when one of the row's prefixes starts cs.
bool rowMatches(const CallsignPrefixRow& row, const char* cs, size_t csLen) {
  const char* p = row.prefixes;
  while (*p) {
    while (*p == ' ') ++p;
    const char* end = p;
    while (*end && *end != ' ') ++end;
    size_t len = (size_t)(end - p);
    if (len > 0 && len <= csLen && strncmp(cs, p, len) == 0) return true;
    p = end;
  }
  return false;
}

}  // namespace

// The country code of a callsign's prefix ("de" when no row claims it).
String countryCodeFromCallsign(const String& callsign) {
  String cs = normalizeHamCallsign(callsign);
  cs.toUpperCase();
  if (cs.length() == 0) return String("");
  for (const CallsignPrefixRow& row : CALLSIGN_PREFIX_TABLE) {
    if (rowMatches(row, cs.c_str(), cs.length())) return String(row.code);
  }
  return String(DEFAULT_COUNTRY_CODE);
}

// "/flags/<code>.bmp" or "/<code>.bmp" when present, else the German flag.
String flagBmpPathFromCode(const String& code) {
  String c = code;
  c.trim();
  c.toLowerCase();
  if (c.length() > 0) {
    String inFolder = String("/flags/") + c + ".bmp";
    if (storageExists(inFolder.c_str())) return inFolder;
    String inRoot = String("/") + c + ".bmp";
    if (storageExists(inRoot.c_str())) return inRoot;
  }
  if (storageExists("/flags/de.bmp")) return String("/flags/de.bmp");
  return String("/de.bmp");
}

// Number of distinct codes in the prefix table.
int callsignCountryCodeCount() {
  int count = 0;
  for (int i = 0; i < CALLSIGN_PREFIX_ROW_COUNT; ++i) {
    bool seen = false;
    for (int j = 0; j < i && !seen; ++j)
      seen = strcmp(CALLSIGN_PREFIX_TABLE[i].code, CALLSIGN_PREFIX_TABLE[j].code) == 0;
    if (!seen) ++count;
  }
  return count;
}

// The index-th distinct code of the prefix table (nullptr past the end).
const char* callsignCountryCodeAt(int index) {
  int count = 0;
  for (int i = 0; i < CALLSIGN_PREFIX_ROW_COUNT; ++i) {
    bool seen = false;
    for (int j = 0; j < i && !seen; ++j)
      seen = strcmp(CALLSIGN_PREFIX_TABLE[i].code, CALLSIGN_PREFIX_TABLE[j].code) == 0;
    if (seen) continue;
    if (count == index) return CALLSIGN_PREFIX_TABLE[i].code;
    ++count;
  }
  return nullptr;
}
