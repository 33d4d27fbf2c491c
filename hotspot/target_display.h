// Uniform display text of a transmission's destination: a mode label, the
// bare target and its name.
#pragma once

#include "host/wstring.h"
#include "hotspot/heard.h"

// "TG 91 World-Wide", "REF 001 C", "12345", "DST", ... for a record.
String resolveTargetDisplay(const HeardRecord& rec);

// "TG", "REF", "NET", "DST" or empty for the record's mode.
String resolveTargetLabel(const HeardRecord& rec);

// The value (trimmed) with the mode's prefix removed.
String cleanTargetValueForMode(const String& value, const String& mode);

// Strips "DST TG", "DST" and "TG" in turn from a SvxLink target.
String cleanSvxlinkTargetValue(const String& value);

// Removes a leading label ("TG 91", "tg:91", "TG-91" -> "91"); words stay.
String stripTargetLabelPrefix(const String& value, const String& label);

// Space, tab, ":", "-" and "#".
bool targetPrefixSeparator(char c);

// Built-in names of a few DMR talkgroups, empty when unknown.
String lookupCommonTalkgroupName(const String& target);

// Label, target and name joined by single spaces; "-" when all are empty.
String joinTargetDisplay(const String& label, const String& target, const String& name);
