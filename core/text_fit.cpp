#include "core/text_fit.h"

String clipWithTilde(const String& s, int maxChars) {
  String t = s;
  t.trim();
  if (maxChars <= 0 || (int)t.length() <= maxChars) return t;
  if (maxChars == 1) return String("~");
  return t.substring(0, maxChars - 1) + "~";
}

String normalizeSingleLineText(const String& s) {
  String t = s;
  t.trim();
  t.replace('\r', ' ');
  t.replace('\n', ' ');
  while (t.indexOf("  ") >= 0) t.replace("  ", " ");
  t.trim();
  return t;
}
