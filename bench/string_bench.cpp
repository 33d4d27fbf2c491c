// Common String operations of the firmware: building texts, searching,
// cutting, replacing and number formatting.
#include <benchmark/benchmark.h>

#include "host/wstring.h"

namespace {

const char* const SAMPLE_ROW =
    "<tr><td>12:34:56</td><td>DMR Slot 2</td><td>DL1ABC</td><td>TG 262</td>"
    "<td>Net</td><td>1.2</td><td>0%</td><td>-87dBm</td></tr>";

void BM_ConcatenateFields(benchmark::State& state) {
  String call("DL1ABC");
  String name("Hans");
  for (auto _ : state) {
    String line = call + " / " + name + " (" + 262 + ") " + 'X';
    benchmark::DoNotOptimize(line.c_str());
  }
}
BENCHMARK(BM_ConcatenateFields);

void BM_AppendBytes(benchmark::State& state) {
  for (auto _ : state) {
    String s;
    for (int i = 0; i < state.range(0); ++i) s += (char)('a' + i % 26);
    benchmark::DoNotOptimize(s.c_str());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AppendBytes)->Arg(64)->Arg(4096);

void BM_IndexOfText(benchmark::State& state) {
  String page;
  for (int i = 0; i < 40; ++i) page += SAMPLE_ROW;
  page += "<td>TARGET</td>";
  for (auto _ : state) {
    benchmark::DoNotOptimize(page.indexOf("<td>TARGET</td>"));
  }
  state.SetBytesProcessed(state.iterations() * page.length());
}
BENCHMARK(BM_IndexOfText);

void BM_IndexOfChar(benchmark::State& state) {
  String row(SAMPLE_ROW);
  for (auto _ : state) {
    int count = 0;
    for (int p = row.indexOf('<'); p >= 0; p = row.indexOf('<', p + 1)) ++count;
    benchmark::DoNotOptimize(count);
  }
}
BENCHMARK(BM_IndexOfChar);

void BM_SubstringCells(benchmark::State& state) {
  String row(SAMPLE_ROW);
  for (auto _ : state) {
    int from = 0;
    for (;;) {
      int a = row.indexOf("<td>", from);
      if (a < 0) break;
      int b = row.indexOf("</td>", a);
      String cell = row.substring(a + 4, b);
      cell.trim();
      benchmark::DoNotOptimize(cell.c_str());
      from = b + 5;
    }
  }
}
BENCHMARK(BM_SubstringCells);

void BM_ReplaceEntities(benchmark::State& state) {
  String src;
  for (int i = 0; i < 20; ++i) src += "Caf&eacute; &amp; &lt;Bar&gt; &quot;x&quot; ";
  for (auto _ : state) {
    String s(src);
    s.replace("&amp;", "&");
    s.replace("&lt;", "<");
    s.replace("&gt;", ">");
    s.replace("&quot;", "\"");
    benchmark::DoNotOptimize(s.c_str());
  }
  state.SetBytesProcessed(state.iterations() * src.length());
}
BENCHMARK(BM_ReplaceEntities);

void BM_FormatInt(benchmark::State& state) {
  int v = 0;
  for (auto _ : state) {
    String s(v++);
    benchmark::DoNotOptimize(s.c_str());
  }
}
BENCHMARK(BM_FormatInt);

void BM_FormatHex(benchmark::State& state) {
  unsigned v = 0xBEEF;
  for (auto _ : state) {
    String s(v++, 16);
    benchmark::DoNotOptimize(s.c_str());
  }
}
BENCHMARK(BM_FormatHex);

void BM_FormatFloat(benchmark::State& state) {
  double v = 52.520008;
  for (auto _ : state) {
    String s(v, 6);
    v += 0.001;
    benchmark::DoNotOptimize(s.c_str());
  }
}
BENCHMARK(BM_FormatFloat);

void BM_ParseInt(benchmark::State& state) {
  String s(" 438225 px");
  for (auto _ : state) {
    benchmark::DoNotOptimize(s.toInt());
  }
}
BENCHMARK(BM_ParseInt);

void BM_CaseAndCompare(benchmark::State& state) {
  String a("Pi-Star Dashboard");
  String b("PI-STAR DASHBOARD");
  for (auto _ : state) {
    String lower(a);
    lower.toLowerCase();
    benchmark::DoNotOptimize(lower.equalsIgnoreCase(b));
  }
}
BENCHMARK(BM_CaseAndCompare);

}  // namespace
