// Live session: hold time, DMR timeslot records and texts, the LIVE status
// line and the session statistics.

#include <gtest/gtest.h>

#include "core/config.h"
#include "host/runtime.h"
#include "hotspot/dashboard_status.h"
#include "hotspot/heard.h"
#include "hotspot/live_session.h"

namespace {

HeardRecord rec(const char* call, const char* mode, const char* slot, const char* rssi = "") {
  HeardRecord r;
  r.callsign = call;
  r.mode = mode;
  r.timeslot = slot;
  r.rssi = rssi;
  r.timeUtc = "2024-06-04 20:23:11";
  r.valid = true;
  return r;
}

class LiveSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cfg.callsignHoldMs = 12000;
    desktopSetTestClock(100000);
  }
};

}  // namespace

// Hold time

TEST_F(LiveSessionTest, LiveExactlyUpToTheHoldTime) {
  shownHeardList().live = rec("DL1ABC", "DMR", "1");
  shownHeardList().liveMillis = 88000;
  EXPECT_TRUE(isLiveActive());
  shownHeardList().liveMillis = 87999;
  EXPECT_FALSE(isLiveActive());
}

TEST_F(LiveSessionTest, InvalidRecordIsNeverLive) {
  shownHeardList().live = rec("DL1ABC", "DMR", "1");
  shownHeardList().live.valid = false;
  shownHeardList().liveMillis = 100000;
  EXPECT_FALSE(isLiveActive());
}

TEST_F(LiveSessionTest, HoldTimeSurvivesTheMillisWrap) {
  shownHeardList().live = rec("DL1ABC", "DMR", "1");
  shownHeardList().liveMillis = 0xFFFFF000u;
  desktopSetTestClock(0x00000100u);
  EXPECT_TRUE(isLiveActive());
  desktopSetTestClock(0x00002F00u);
  EXPECT_FALSE(isLiveActive());
}

TEST_F(LiveSessionTest, HoldTimeFollowsTheConfiguration) {
  shownHeardList().live = rec("DL1ABC", "DMR", "1");
  shownHeardList().liveMillis = 95000;
  cfg.callsignHoldMs = 4000;
  EXPECT_FALSE(isLiveActive());
  cfg.callsignHoldMs = 5000;
  EXPECT_TRUE(isLiveActive());
}

// Timeslot texts

TEST_F(LiveSessionTest, NormalizeDmrTimeslotRecognisesTheSpellings) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"1", "1"},
      {"01", "1"},
      {"2", "2"},
      {"02", "2"},
      {" TS1 ", "1"},
      {"ts2", "2"},
      {"Slot 2", "2"},
      {"slot1", "1"},
      {"#2", "2"},
      {"TS:1", "1"},
      {"time slot 2", "2"},
      {"TimeSlot 1", "1"},
      {"time-slot 01", "1"},
      {"TIME-SLOT 2", "2"},
      {"TS-02", "2"},
      {"3", ""},
      {"", ""},
      {"   ", ""},
      {"12", ""},
      {"TS 1 2", ""},
      {"001", ""},
      {"slot", ""},
      {"one", ""},
      // "TIME-SLOT" goes first, before "TIME SLOT" and the shorter words.
      {"TIME-TIME SLOTSLOT 1", ""},
      {"TIME-SLOT#2", "2"},
  };
  for (const Case& c : cases) {
    String raw(c.in);
    EXPECT_EQ(normalizeDmrTimeslot(raw), c.out) << c.in;
  }
  String raw(" ts1 \t");
  normalizeDmrTimeslot(raw);
  EXPECT_EQ(raw, "ts1");
}

TEST_F(LiveSessionTest, ExtractTimeslotFromFreeText) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"DMR Slot 2", "2"},
      {"TG 91/TS1", "1"},
      {"dmr_ts_2", "2"},
      {"DMR TS:1", "1"},
      {"time slot 1", "1"},
      {"TIMESLOT-2", "2"},
      {"Slot1", "1"},
      {"DMR", ""},
      {"TS12", ""},
      {"TSS1", ""},
      {"", ""},
      {"slot 1 slot 2", "1"},
      {"CQCQCQ via XRF012 Q", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(extractDmrTimeslotFromText(String(c.in)), c.out) << c.in;
}

TEST_F(LiveSessionTest, TimeslotLabelOnlyForDmr) {
  EXPECT_EQ(dmrTimeslotLabel(rec("K1AB", "DMR Slot 2", "2")), "TS2");
  EXPECT_EQ(dmrTimeslotLabel(rec("K1AB", "dmr", "TS1")), "TS1");
  EXPECT_EQ(dmrTimeslotLabel(rec("K1AB", "DMR", "")), "");
  EXPECT_EQ(dmrTimeslotLabel(rec("K1AB", "YSF", "1")), "");
}

// DMR timeslot records

TEST_F(LiveSessionTest, NewestRecordPerSlotIsNoted) {
  HeardRecord list[4] = {rec("AA1A", "DMR Slot 2", "2"), rec("BB1B", "YSF", "1"), rec("CC1C", "DMR", "1"),
                         rec("DD1D", "DMR", "1")};
  list[0].timeUtc = "a";
  updateDmrTimeslotLiveRecordsFromList(list, 4);
  EXPECT_EQ(dmrTimeslotRecord(2).callsign, "AA1A");
  EXPECT_EQ(dmrTimeslotRecord(1).callsign, "CC1C");
  EXPECT_EQ(dmrTimeslotRecordMillis(1), 100000u);
  EXPECT_EQ(dmrTimeslotRecord(7).callsign, "CC1C");
  EXPECT_TRUE(shouldShowDmrTimeslotLivePanel());
}

TEST_F(LiveSessionTest, PanelShowsOnlyWhileBothSlotsAreLive) {
  HeardRecord list[2] = {rec("AA1A", "DMR", "2"), rec("CC1C", "DMR", "1")};
  updateDmrTimeslotLiveRecordsFromList(list, 2);
  desktopSetTestClock(105000);
  HeardRecord onlyTwo[1] = {rec("EE1E", "DMR", "2")};
  updateDmrTimeslotLiveRecordsFromList(onlyTwo, 1);
  EXPECT_EQ(dmrTimeslotRecord(1).callsign, "CC1C");
  desktopSetTestClock(112000);
  EXPECT_TRUE(isDmrTimeslotLiveActive(1));
  EXPECT_TRUE(shouldShowDmrTimeslotLivePanel());
  desktopSetTestClock(112001);
  EXPECT_FALSE(isDmrTimeslotLiveActive(1));
  EXPECT_TRUE(isDmrTimeslotLiveActive(2));
  EXPECT_FALSE(shouldShowDmrTimeslotLivePanel());
}

TEST_F(LiveSessionTest, SameRecordIsNotRetimed) {
  HeardRecord r = rec("AA1A", "DMR", "1");
  noteDmrTimeslotLiveRecord(1, r);
  desktopSetTestClock(108000);
  r.rssi = "-70";  // not part of the identity
  noteDmrTimeslotLiveRecord(1, r);
  EXPECT_EQ(dmrTs1LiveRecordMillis, 100000u);
  r.timeUtc = "later";
  noteDmrTimeslotLiveRecord(1, r);
  EXPECT_EQ(dmrTs1LiveRecordMillis, 108000u);
}

TEST_F(LiveSessionTest, ClearedSlotsAreNotLive) {
  noteDmrTimeslotLiveRecord(1, rec("AA1A", "DMR", "1"));
  noteDmrTimeslotLiveRecord(2, rec("BB1B", "DMR", "2"));
  clearDmrTimeslotLiveRecords();
  EXPECT_FALSE(isDmrTimeslotLiveActive(1));
  EXPECT_FALSE(isDmrTimeslotLiveActive(2));
  EXPECT_EQ(dmrTs2LiveRecordMillis, 0u);
  EXPECT_FALSE(dmrTs2LiveRecord.valid);
}

TEST_F(LiveSessionTest, InvalidAndNonDmrRecordsAreSkipped) {
  HeardRecord list[3] = {rec("AA1A", "DMR", "1"), rec("BB1B", "D-Star", "2"), rec("CC1C", "DMR", "2")};
  list[0].valid = false;
  updateDmrTimeslotLiveRecordsFromList(list, 3);
  EXPECT_FALSE(dmrTs1LiveRecord.valid);
  EXPECT_EQ(dmrTs2LiveRecord.callsign, "CC1C");
}

// Status line

TEST_F(LiveSessionTest, StatusLineFollowsTheRadioAndTheLiveRecord) {
  HeardRecord dmr = rec("AA1A", "DMR Slot 1", "1");
  hotspotStatusText = "Listening";
  EXPECT_EQ(liveStatusText(true, dmr), "Mode: DMR TS1");
  EXPECT_EQ(liveStatusText(false, dmr), "Listening");
  hotspotStatusText = " listening ";
  EXPECT_EQ(liveStatusText(false, dmr), "Listening");
  hotspotStatusText = "";
  EXPECT_EQ(liveStatusText(true, rec("BB1B", "D-Star", "")), "Mode: DSTAR");
  EXPECT_EQ(liveStatusText(true, rec("BB1B", "", "")), "RX ACTIVE");
  EXPECT_EQ(liveStatusText(false, dmr), "MMDVM IDLE");
  hotspotStatusText = "TX DMR";
  EXPECT_EQ(liveStatusText(true, dmr), "TX DMR");
}

// Statistics

TEST_F(LiveSessionTest, RssiGivesBestAndWorst) {
  updateSessionInfoFromRecord(rec("AA1A", "DMR", "1", "-87dBm"));
  updateSessionInfoFromRecord(rec("BB1B", "DMR", "1", " -60 "));
  updateSessionInfoFromRecord(rec("CC1C", "DMR", "1", "S9"));
  EXPECT_TRUE(sessionInfo.hasRssi);
  EXPECT_EQ(sessionInfo.bestRssi, -60);
  EXPECT_EQ(sessionInfo.worstRssi, -87);
  EXPECT_EQ(sessionInfo.totalQsos, 3u);
  EXPECT_EQ(sessionInfo.totalLiveHits, 3u);
  EXPECT_EQ(sessionInfo.modeDMR, 3u);
}

TEST_F(LiveSessionTest, NoRssiKeepsTheInitialValues) {
  updateSessionInfoFromRecord(rec("AA1A", "YSF", "", ""));
  updateSessionInfoFromRecord(rec("AA1A", "YSF", "", "n/a"));
  EXPECT_FALSE(sessionInfo.hasRssi);
  EXPECT_EQ(sessionInfo.bestRssi, -999);
  EXPECT_EQ(sessionInfo.worstRssi, 0);
  updateSessionInfoFromRecord(rec("AA1A", "YSF", "", "0"));
  EXPECT_TRUE(sessionInfo.hasRssi);
  EXPECT_EQ(sessionInfo.bestRssi, 0);
}

TEST_F(LiveSessionTest, ModesAreCountedByTheirNormalisedName) {
  const char* modes[] = {"DMR Slot 2", "D-Star", "dstar",  "C4FM",    "System Fusion",
                         "P25",        "nxdn",   "POCSAG", "SVXLink", "FM"};
  for (const char* m : modes) updateSessionInfoFromRecord(rec("AA1A", m, ""));
  HeardRecord invalid = rec("AA1A", "DMR", "");
  invalid.valid = false;
  updateSessionInfoFromRecord(invalid);
  EXPECT_EQ(sessionInfo.totalQsos, 10u);
  EXPECT_EQ(sessionInfo.modeDMR, 1u);
  EXPECT_EQ(sessionInfo.modeDSTAR, 2u);
  EXPECT_EQ(sessionInfo.modeYSF, 2u);
  EXPECT_EQ(sessionInfo.modeP25, 1u);
  EXPECT_EQ(sessionInfo.modeNXDN, 1u);
  EXPECT_EQ(sessionInfo.modePOCSAG, 1u);
}
