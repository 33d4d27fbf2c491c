// Markup text: tag stripping and entity decoding for the HTML and XML that
// dashboards, list sites and services send. Every reader of such text uses
// these functions with its own entity rules, so each keeps its decoding
// order without a copy of the walk.
#pragma once

#include <stddef.h>

#include "host/wstring.h"

// One entity and the text it stands for.
struct MarkupEntity {
  const char* entity;  // "&amp;", "&nbsp;", ...
  const char* text;    // "&", " ", ...
};

// How decodeMarkupEntities walks the text.
enum MarkupDecodeOrder {
  // Left to right once: decoded text is never looked at again, so "&amp;lt;"
  // becomes "&lt;".
  MARKUP_DECODE_ONE_PASS = 0,
  // Each entity of the table is replaced everywhere, in table order: a
  // decoded "&amp;" may complete an entity later in the table, so "&amp;lt;"
  // becomes "<" when "&lt;" comes after "&amp;".
  MARKUP_DECODE_BY_ENTITY = 1,
};

// A reader's entity rules: its table, walk and whether letters of an entity
// match in any case (one-pass walks only).
struct MarkupEntityRules {
  const MarkupEntity* entities;
  size_t count;
  MarkupDecodeOrder order;
  bool ignoreCase;
};

// Dashboard status text: &nbsp; &amp; &quot; &#39; &lt; &gt;, by entity.
extern const MarkupEntityRules MARKUP_DASHBOARD_ENTITIES;
// Target-list site cells: &amp; &quot; &#39; &apos; &nbsp; &ndash; &mdash;
// (dashes become "-") &lt; &gt;, one pass, exact case.
extern const MarkupEntityRules MARKUP_LIST_SITE_ENTITIES;
// RadioID answer lines: &nbsp; &amp; &quot; &#39; &apos; &lt; &gt; &#34;,
// one pass, any case.
extern const MarkupEntityRules MARKUP_LOOKUP_ENTITIES;
// Popup texts: only &nbsp;.
extern const MarkupEntityRules MARKUP_POPUP_TEXT_ENTITIES;

// The text with the entities of the rules decoded; unknown entities stay as
// they are.
String decodeMarkupEntities(const String& text, const MarkupEntityRules& rules);

// The text outside the tags of html, in one pass with an in-tag flag, so an
// unclosed "<" simply hides the rest of the fragment. Entities stay as they are.
String stripHtmlTags(const String& html);

// The basic HTML entity decoding of scraped service text (solar XML, node
// dashboards): "&nbsp;" (a space), "&amp;", "&quot;", "&#39;", "&lt;", "&gt;",
// each replaced everywhere in this order, so "&amp;lt;" ends as "<".
String htmlDecodeBasic(const String& text);

// ---------------------------------------------------------------- alert feed text

// XML text of the alert feeds: &amp; &lt; &gt; &quot; &apos; and the
// numeric references of the German umlauts and sharp s (&#228; &#246;
// &#252; &#196; &#214; &#220; &#223;, as UTF-8), each replaced everywhere
// in this order, so "&amp;lt;" becomes "<".
extern const MarkupEntityRules MARKUP_XML_BASIC_ENTITIES;

// The value with MARKUP_XML_BASIC_ENTITIES decoded.
String xmlDecodeBasicEntities(const String& value);

// The tags of text whose entities are already decoded: a "<...>" span is
// a tag only when "<" is followed by a letter, "/", "!" or "?" and a ">"
// closes it, so a decoded "&lt; 0 °C" or "&gt; 60 km/h" stays in the text
// and an unclosed "<" hides nothing.
String stripDecodedTextTags(const String& text);
