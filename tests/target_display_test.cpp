// Display text of destinations: labels, prefix removal, built-in and listed names.
#include "hotspot/target_display.h"

#include "support/enrichment_test_env.h"

namespace {

HeardRecord record(const char* mode, const char* target, const char* targetName = "") {
  HeardRecord r;
  r.mode = mode;
  r.target = target;
  r.targetName = targetName;
  r.callsign = "DL1ABC";
  r.valid = true;
  return r;
}

std::string display(const HeardRecord& r) { return resolveTargetDisplay(r).c_str(); }

class TargetDisplayTest : public EnrichmentTest {};

// Seen in real answers

TEST_F(TargetDisplayTest, DmrTalkgroupWithBlankGetsBuiltInName) {
  EXPECT_EQ(display(record("DMR Slot 2", "TG 91")), "TG 91 World-Wide");
  EXPECT_EQ(display(record("DMR", "TG9990")), "TG 9990 Parrot");
  EXPECT_EQ(display(record("DMR", "tg:9")), "TG 9 Local");
}

TEST_F(TargetDisplayTest, DmrNameFromListsBeatsBuiltInName) {
  writeCard("/lookup/dmr.txt",
            "# Qsodeck target-name list\r\n# Format: target|name\r\n# Mode: DMR\r\n262|Deutschland\r\n");
  cfg.targetListLookupEnabled = true;
  EXPECT_EQ(display(record("DMR", "TG 262")), "TG 262 Deutschland");
  cfg.targetListLookupEnabled = false;
  clearTargetNameLookupCache();
  EXPECT_EQ(display(record("DMR", "TG 262")), "TG 262 Germany");
}

TEST_F(TargetDisplayTest, DashboardNameWinsOverLists) {
  writeCard("/lookup/dmr.txt", "262|Deutschland\n");
  cfg.targetListLookupEnabled = true;
  EXPECT_EQ(display(record("DMR", "262", "DL Multimode")), "TG 262 DL Multimode");
}

TEST_F(TargetDisplayTest, DstarReflectorKeepsModuleLetter) {
  EXPECT_EQ(display(record("D-Star", "REF001 C")), "REF 001 C");
  EXPECT_EQ(display(record("DSTAR", "REF 001 C")), "REF 001 C");
}

TEST_F(TargetDisplayTest, DstarXlxNameFromLists) {
  writeCard("/lookup/dstar.txt", "XLX262|XLX262 Germany\n");
  cfg.targetListLookupEnabled = true;
  EXPECT_EQ(display(record("DSTAR", "XLX262 B")), "REF XLX262 B XLX262 Germany");
}

TEST_F(TargetDisplayTest, YsfRoomNameEqualToTargetShownOnce) {
  EXPECT_EQ(display(record("YSF", "ROOM 12345", "12345")), "12345");
  EXPECT_EQ(display(record("Fusion", "room 12345", "ROOM 12345")), "12345");
}

TEST_F(TargetDisplayTest, NetLabelForP25AndNxdn) {
  EXPECT_EQ(display(record("P25", "NET 10200")), "NET 10200");
  EXPECT_EQ(display(record("NXDN", "65000", "World Wide")), "NET 65000 World Wide");
}

TEST_F(TargetDisplayTest, SvxlinkShowsNameOrTalkgroupOnly) {
  EXPECT_EQ(display(record("SVXLink", "DST TG 240")), "240");
  EXPECT_EQ(display(record("SVXLINK", "TG 240", "TG Sweden")), "Sweden");
  EXPECT_EQ(display(record("svxlink", "", "")), "-");
}

TEST_F(TargetDisplayTest, UnlistedModeUsesDstLabel) {
  EXPECT_EQ(display(record("POCSAG", "", "")), "DST");
  EXPECT_EQ(display(record("M17", "DST 4000")), "DST 4000");
  EXPECT_EQ(display(record("", "  ")), "DST");
}

// Edge cases

TEST_F(TargetDisplayTest, LabelPrefixRemoval) {
  EXPECT_EQ(std::string(stripTargetLabelPrefix("TG 91", "TG").c_str()), "91");
  EXPECT_EQ(std::string(stripTargetLabelPrefix("TG91", "TG").c_str()), "91");
  EXPECT_EQ(std::string(stripTargetLabelPrefix("tg:91", "TG").c_str()), "91");
  EXPECT_EQ(std::string(stripTargetLabelPrefix("TG-91", "TG").c_str()), "91");
  EXPECT_EQ(std::string(stripTargetLabelPrefix("TG #- 91", "TG").c_str()), "91");
  EXPECT_EQ(std::string(stripTargetLabelPrefix("TGIF", "TG").c_str()), "TGIF");
  EXPECT_EQ(std::string(stripTargetLabelPrefix(" tg ", "TG").c_str()), "");
  EXPECT_EQ(std::string(stripTargetLabelPrefix("TG ", "TG").c_str()), "");
  EXPECT_EQ(std::string(stripTargetLabelPrefix("TG::", "TG").c_str()), "");
  EXPECT_EQ(std::string(stripTargetLabelPrefix("", "TG").c_str()), "");
  EXPECT_EQ(std::string(stripTargetLabelPrefix(" 91 ", "").c_str()), "91");
  EXPECT_EQ(std::string(stripTargetLabelPrefix("T", "TG").c_str()), "T");
}

TEST_F(TargetDisplayTest, SeparatorCharacters) {
  for (char c : std::string(" \t:-#")) EXPECT_TRUE(targetPrefixSeparator(c)) << c;
  for (char c : std::string("_./|0aZ")) EXPECT_FALSE(targetPrefixSeparator(c)) << c;
}

TEST_F(TargetDisplayTest, LabelsPerMode) {
  EXPECT_EQ(std::string(resolveTargetLabel(record("dmr", "")).c_str()), "TG");
  EXPECT_EQ(std::string(resolveTargetLabel(record("d_star", "")).c_str()), "REF");
  EXPECT_EQ(std::string(resolveTargetLabel(record("C4FM", "")).c_str()), "");
  EXPECT_EQ(std::string(resolveTargetLabel(record("NXDN", "")).c_str()), "NET");
  EXPECT_EQ(std::string(resolveTargetLabel(record("svx link", "")).c_str()), "");
  EXPECT_EQ(std::string(resolveTargetLabel(record("FM", "")).c_str()), "DST");
}

TEST_F(TargetDisplayTest, JoinDropsEmptyPartsAndDuplicateName) {
  EXPECT_EQ(std::string(joinTargetDisplay(" TG ", " 91 ", " world-wide ").c_str()), "TG 91 world-wide");
  EXPECT_EQ(std::string(joinTargetDisplay("", "91", "91").c_str()), "91");
  EXPECT_EQ(std::string(joinTargetDisplay("TG", "", "").c_str()), "TG");
  EXPECT_EQ(std::string(joinTargetDisplay("", "", "Name").c_str()), "Name");
  EXPECT_EQ(std::string(joinTargetDisplay("", " ", "").c_str()), "-");
  EXPECT_EQ(std::string(joinTargetDisplay("REF", "xlx262", "XLX262").c_str()), "REF xlx262");
}

TEST_F(TargetDisplayTest, CommonTalkgroupsMatchExactly) {
  EXPECT_EQ(std::string(lookupCommonTalkgroupName(" 262 ").c_str()), "Germany");
  EXPECT_EQ(std::string(lookupCommonTalkgroupName("2620").c_str()), "");
  EXPECT_EQ(std::string(lookupCommonTalkgroupName("0262").c_str()), "");
  EXPECT_EQ(std::string(lookupCommonTalkgroupName("").c_str()), "");
}

TEST_F(TargetDisplayTest, BuiltInNamesOnlyForDmr) {
  EXPECT_EQ(display(record("NXDN", "91")), "NET 91");
  EXPECT_EQ(display(record("YSF", "9")), "9");
}

// Hostile

TEST_F(TargetDisplayTest, OddTargetsDoNotBreakTheText) {
  EXPECT_EQ(display(record("DMR", "TG")), "TG");
  EXPECT_EQ(display(record("DMR", "TG:::---###")), "TG");
  std::string longTarget(5000, '9');
  EXPECT_EQ(display(record("DMR", longTarget.c_str())), "TG " + longTarget);
  EXPECT_EQ(display(record("DMR", "TG 91\t")), "TG 91 World-Wide");
}

}  // namespace
