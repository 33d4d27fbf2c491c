#include "hotspot/target_display.h"

#include <ctype.h>

#include "hotspot/heard_enrichment.h"

namespace {

struct CommonTalkgroup {
  const char* target;
  const char* name;
};

const CommonTalkgroup COMMON_TALKGROUPS[] = {
    {"9", "Local"}, {"91", "World-Wide"}, {"92", "Europe"}, {"262", "Germany"}, {"9990", "Parrot"},
};

bool startsWithIgnoreCase(const String& text, const String& prefix) {
  if (prefix.length() > text.length()) return false;
  for (unsigned int i = 0; i < prefix.length(); ++i) {
    if (toupper((unsigned char)text[i]) != toupper((unsigned char)prefix[i])) return false;
  }
  return true;
}

bool isDstarMode(const String& mode) { return mode == "DSTAR" || mode == "D-STAR"; }
bool isYsfMode(const String& mode) { return mode == "YSF" || mode == "FUSION"; }
bool isNetMode(const String& mode) { return mode == "P25" || mode == "NXDN"; }

String normalizedRecordMode(const HeardRecord& rec) {
  String mode = rec.mode;
  return normalizeModeName(mode);
}

}  // namespace

// True for the characters that may sit between a label and its number.
bool targetPrefixSeparator(char c) { return c == ' ' || c == '\t' || c == ':' || c == '-' || c == '#'; }

// The value without a leading label; a label that starts a word stays.
String stripTargetLabelPrefix(const String& value, const String& label) {
  String v = trimmedCopy(value);
  String l = trimmedCopy(label);
  if (v.length() == 0 || l.length() == 0) return v;
  if (v.equalsIgnoreCase(l)) return String("");
  if (!startsWithIgnoreCase(v, l)) return v;
  unsigned int pos = l.length();
  if (pos >= v.length()) return String("");
  char next = v[pos];
  if (targetPrefixSeparator(next)) {
    while (pos < v.length() && targetPrefixSeparator(v[pos])) ++pos;
  } else if (!isdigit((unsigned char)next)) {
    return v;
  }
  String rest = v.substring(pos);
  rest.trim();
  return rest;
}

// Strips "DST TG", then "DST", then "TG" from a SvxLink talkgroup text.
String cleanSvxlinkTargetValue(const String& value) {
  String v = stripTargetLabelPrefix(value, "DST TG");
  v = stripTargetLabelPrefix(v, "DST");
  v = stripTargetLabelPrefix(v, "TG");
  v.trim();
  return v;
}

// The value with the prefix that belongs to the mode removed.
String cleanTargetValueForMode(const String& value, const String& mode) {
  String v = trimmedCopy(value);
  if (v.length() == 0) return v;
  String m = trimmedCopy(mode);
  m.toUpperCase();
  if (m == "DMR") return stripTargetLabelPrefix(v, "TG");
  if (isDstarMode(m)) return stripTargetLabelPrefix(v, "REF");
  if (isYsfMode(m)) return stripTargetLabelPrefix(v, "ROOM");
  if (isNetMode(m)) return stripTargetLabelPrefix(v, "NET");
  if (m == "SVXLINK") return cleanSvxlinkTargetValue(v);
  return stripTargetLabelPrefix(v, "DST");
}

// The label shown in front of a record's target.
String resolveTargetLabel(const HeardRecord& rec) {
  String mode = normalizedRecordMode(rec);
  if (mode == "DMR") return String("TG");
  if (isDstarMode(mode)) return String("REF");
  if (isYsfMode(mode)) return String("");
  if (isNetMode(mode)) return String("NET");
  if (mode == "SVXLINK") return String("");
  return String("DST");
}

// Built-in names of a few well-known DMR talkgroups.
String lookupCommonTalkgroupName(const String& target) {
  String t = trimmedCopy(target);
  for (const CommonTalkgroup& tg : COMMON_TALKGROUPS) {
    if (t == tg.target) return String(tg.name);
  }
  return String("");
}

// Label, target and name with single spaces; a name equal to the target is dropped.
String joinTargetDisplay(const String& label, const String& target, const String& name) {
  String l = trimmedCopy(label);
  String t = trimmedCopy(target);
  String n = trimmedCopy(name);
  if (t.length() > 0 && n.equalsIgnoreCase(t)) n = "";
  String out;
  const String* parts[] = {&l, &t, &n};
  for (const String* part : parts) {
    if (part->length() == 0) continue;
    if (out.length() > 0) out += " ";
    out += *part;
  }
  if (out.length() == 0) out = "-";
  return out;
}

// The one display text of a record's destination.
String resolveTargetDisplay(const HeardRecord& rec) {
  String mode = normalizedRecordMode(rec);
  String label = resolveTargetLabel(rec);
  String target = cleanTargetValueForMode(rec.target, mode);
  String name = cleanTargetValueForMode(rec.targetName, mode);
  if (mode == "SVXLINK") {
    if (name.length() > 0) return name;
    if (target.length() > 0) return target;
    return String("-");
  }
  if (name.length() == 0) {
    String listed = targetNameLookupCached(mode, target);
    if (listed.length() > 0) name = listed;
  }
  if (name.length() == 0 && mode == "DMR") name = lookupCommonTalkgroupName(target);
  return joinTargetDisplay(label, target, name);
}
