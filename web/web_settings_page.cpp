// The settings form (every key, grouped, with description, default and
// range from the key table), its save, and the export and import pages.
#include <string.h>

#include "core/config.h"
#include "core/config_docs.h"
#include "core/config_edit.h"
#include "core/config_file.h"
#include "core/device_log.h"
#include "core/theme.h"
#include "host/storage.h"
#include "web/web_pages.h"

namespace {

// What the form shows: the stored values, or after a refused save the
// values the browser sent, with a note per field.
struct FormView {
  const WebFields* sent = nullptr;
  const ConfigEditOutcome* outcome = nullptr;
};

std::string shownValue(const FormView& view, const std::string& path) {
  if (view.sent != nullptr && view.outcome != nullptr && !view.outcome->saved && hasField(*view.sent, path)) {
    return fieldValue(*view.sent, path);
  }
  std::string value;
  configValueText(path, value);
  return value;
}

std::string noteFor(const FormView& view, const std::string& path) {
  if (view.outcome == nullptr) return std::string();
  std::string html;
  for (const ConfigFieldNote& n : view.outcome->notes) {
    if (n.path != path) continue;
    html += std::string("<small class=") + (n.refused ? "err" : "note") + ">" + htmlEscape(path) + " " +
            htmlEscape(n.message) + "</small>";
  }
  return html;
}

std::string describe(const ConfigDocRow& row) {
  std::string text = htmlFromMarkdownCode(row.meaning);
  if (strcmp(row.defaultText, "—") != 0) text += " Default: " + htmlFromMarkdownCode(row.defaultText) + ".";
  if (row.min <= row.max) text += " Range " + std::to_string(row.min) + " to " + std::to_string(row.max) + ".";
  return "<small>" + text + "</small>";
}

std::string input(const FormView& view, const std::string& path, bool isBool, bool secret) {
  std::string id = htmlEscape(path);
  if (isBool) {
    bool on = shownValue(view, path) == "true";
    return "<span><input type=hidden name=\"" + id + "\" value=false><input type=checkbox id=\"" + id +
           "\" name=\"" + id + "\" value=true" + (on ? " checked" : "") + "></span>";
  }
  if (secret) {
    std::string stored;
    configValueText(path, stored);
    std::string state = stored.empty() ? "not set" : "set";
    std::string html = "<span><input type=password id=\"" + id + "\" name=\"" + id +
                       "\" autocomplete=new-password placeholder=\"" + state + " (empty keeps it)\"> " + state;
    if (!stored.empty()) html += " <label><input type=checkbox name=clear_secret value=\"" + id + "\"> clear</label>";
    return html + "</span>";
  }
  return "<input type=text id=\"" + id + "\" name=\"" + id + "\" value=\"" + htmlEscape(shownValue(view, path)) +
         "\">";
}

std::string field(const FormView& view, const std::string& path, bool isBool, bool secret,
                  const std::string& description) {
  return "<div class=field><label for=\"" + htmlEscape(path) + "\">" + htmlEscape(path) + "</label>" +
         input(view, path, isBool, secret) + description + noteFor(view, path) + "</div>";
}

std::string arrayFields(const FormView& view, const ConfigDocRow& row) {
  std::string key = row.key;
  std::string html = "<div class=field><label>" + htmlEscape(key) + "</label><span></span>" + describe(row) +
                     noteFor(view, key) + "</div>";
  if (key == "wifi_profiles") {
    for (int i = 0; i < WIFI_PROFILE_COUNT; ++i) {
      std::string p = key + "." + std::to_string(i) + ".";
      html += field(view, p + "ssid", false, false, "");
      html += field(view, p + "password", false, true, "");
    }
    return html;
  }
  if (key == "watch_list") {
    for (int i = 0; i < WATCH_LIST_MAX_ENTRIES; ++i) html += field(view, key + "." + std::to_string(i), false, false, "");
    return html;
  }
  if (key == "theme") {
    for (int i = 0; i < THEME_COLOR_COUNT; ++i) html += field(view, key + "." + THEME_COLOR_KEYS[i], false, false, "");
    return html;
  }
  for (int i = 0; i < QUICK_ACTION_SLOT_COUNT; ++i) {
    std::string p = key + "." + std::to_string(i) + ".";
    html += field(view, p + "enabled", true, false, "");
    html += field(view, p + "use_sudo", true, false, "");
    html += field(view, p + "label", false, false, "");
    html += field(view, p + "command", false, false, "");
  }
  return html;
}

std::string groupFields(const FormView& view, const ConfigDocGroup& group) {
  std::string html = std::string("<fieldset id=\"") + group.id + "\"><legend>" + htmlEscape(group.title) + "</legend>";
  for (int i = 0; i < CONFIG_DOC_ROW_COUNT; ++i) {
    const ConfigDocRow& row = CONFIG_DOC_ROWS[i];
    if (strcmp(row.group, group.id) != 0) continue;
    std::string key = row.key;
    if (key == "wifi_ssid" || key == "wifi_pass") {
      html += "<div class=field><label>" + htmlEscape(key) + "</label><span>kept in step with the first profile "
              "below</span>" + describe(row) + "</div>";
    } else if (strncmp(row.type, "array", 5) == 0 || strcmp(row.type, "object") == 0) {
      html += arrayFields(view, row);
    } else {
      html += field(view, key, strcmp(row.type, "bool") == 0, (row.flags & CONFIG_DOC_SECRET) != 0, describe(row));
    }
    if (key == "web_ui_password") {
      html += "<div class=field><label for=current_password>current password</label><input type=password "
              "id=current_password name=current_password autocomplete=current-password><small>Needed to change "
              "<code>web_ui_password</code>.</small>" + noteFor(view, "current_password") + "</div>";
    }
  }
  return html + "</fieldset>";
}

std::string settingsHtml(const WebSession& session, const FormView& view) {
  std::string body = "<h1>Settings</h1>";
  if (view.outcome != nullptr) body += webOutcomeHtml(*view.outcome);
  body += "<p class=toc>";
  for (int g = 0; g < CONFIG_DOC_GROUP_COUNT; ++g) {
    body += std::string("<a href=\"#") + CONFIG_DOC_GROUPS[g].id + "\">" + htmlEscape(CONFIG_DOC_GROUPS[g].title) +
            "</a>";
  }
  body += "</p><form method=post action=/settings>" + webCsrfField(session);
  for (int g = 0; g < CONFIG_DOC_GROUP_COUNT; ++g) body += groupFields(view, CONFIG_DOC_GROUPS[g]);
  body += "<div class=bar><button>Save and apply</button></div></form>";
  return webPageShell("Settings", &session, body);
}

// A new page password needs the current one and is stored as the hash the
// server thread made; false (with a note) when it cannot be taken.
bool takeNewPassword(const WebRequest& req, WebFields& form, ConfigEditOutcome& outcome) {
  std::string fresh = fieldValue(form, "web_ui_password");
  if (fresh.empty()) return true;
  std::string why;
  if (webPasswordSet() && webPrepared(req, "password_ok") != "1") {
    webLoginFailed(req.remoteAddr);
    outcome.notes.push_back({"current_password", "is wrong: the password was not changed", true});
  } else if (fresh.size() < WEB_PASSWORD_MIN_BYTES) {
    outcome.notes.push_back({"web_ui_password", "must have at least 8 characters", true});
  } else if (webPrepared(req, "new_password_hash").empty()) {
    outcome.notes.push_back({"web_ui_password", "could not be hashed; try again", true});
  } else {
    form.emplace_back("web_ui_password", webPrepared(req, "new_password_hash"));
    return true;
  }
  outcome.error = "Nothing was saved: correct the values marked below.";
  return false;
}

void saveSettings(const WebRequest& req, const WebSession* session, WebResponse& res) {
  WebFields form = parseUrlEncoded(req.body);
  std::vector<std::string> clear;
  for (const auto& f : form) {
    if (f.first == "clear_secret") clear.push_back(f.second);
  }
  ConfigEditOutcome outcome;
  bool passwordChange = !fieldValue(form, "web_ui_password").empty();
  if (takeNewPassword(req, form, outcome)) applyConfigForm(form, clear, outcome);
  if (outcome.saved) {
    addWebLog("INFO", "WEB", "Settings saved from the browser (" + String((unsigned)outcome.changes.size()) +
                                 " changes).", true);
    if (passwordChange) session = &webSessionsEndOthers(*session);
  }
  FormView view{&form, &outcome};
  webSendHtml(res, outcome.saved ? 200 : 400, settingsHtml(*session, view));
}

void sendDownload(WebResponse& res, bool withSecrets) {
  res.contentType = "application/json; charset=utf-8";
  res.headers.emplace_back("Content-Disposition", withSecrets ? "attachment; filename=\"config-with-secrets.json\""
                                                              : "attachment; filename=\"config.json\"");
  res.body = configExportText(withSecrets);
}

std::string secretsForm(const WebSession& session, const std::string& message) {
  std::string body = "<h1>Export with secrets</h1>";
  if (!message.empty()) body += "<p class=\"msg bad\">" + htmlEscape(message) + "</p>";
  body += "<p>The file will hold every password and API key in plain text. Enter the page password again.</p>"
          "<form method=post action=/export>" + webCsrfField(session) +
          "<input type=hidden name=secrets value=1><div class=field><label for=password>password</label>"
          "<input type=password id=password name=password autocomplete=current-password required></div>"
          "<button>Download</button></form>";
  return webPageShell("Export", &session, body);
}

std::string importForm(const WebSession& session, const std::string& result) {
  return webPageShell(
      "Import", &session,
      "<h1>Import</h1>" + result +
          "<p>Upload a <code>config.json</code>. It replaces the whole configuration once it is a valid JSON "
          "object with <code>backend</code>, a Wi-Fi network and <code>pistar_host</code>; keys it lacks take "
          "their defaults, secrets it lacks keep their stored values. A broken file changes nothing.</p>"
          "<form method=post action=/import enctype=multipart/form-data>" + webCsrfField(session) +
          "<p><input type=file name=config accept=\".json,application/json\" required></p>"
          "<button>Import and apply</button></form>"
          "<p><a href=/export>Export</a> (without secrets) or <a href=\"/export?secrets=1\">export with "
          "secrets</a>.</p>");
}

}  // namespace

std::string webOutcomeHtml(const ConfigEditOutcome& outcome) {
  std::string html;
  if (outcome.saved) {
    html += "<div class=\"msg good\"><b>Saved and applied.</b>";
    if (outcome.changes.empty()) html += " Nothing changed.";
  } else {
    html += "<div class=\"msg bad\"><b>" + htmlEscape(outcome.error) + "</b>";
  }
  if (!outcome.changes.empty()) {
    html += "<ul>";
    for (const std::string& c : outcome.changes) html += "<li>" + htmlEscape(c) + "</li>";
    html += "</ul>";
  }
  if (!outcome.notes.empty()) {
    html += "<ul>";
    for (const ConfigFieldNote& n : outcome.notes) {
      html += std::string("<li class=") + (n.refused ? "err" : "note") + ">" + htmlEscape(n.path) + " " +
              htmlEscape(n.message) + "</li>";
    }
    html += "</ul>";
  }
  return html + "</div>";
}

void webSettingsPage(const WebRequest& req, const WebSession& session, WebResponse& res) {
  if (req.method == "POST") return saveSettings(req, &session, res);
  webSendHtml(res, 200, settingsHtml(session, FormView()));
}

void webExport(const WebRequest& req, const WebSession& session, WebResponse& res) {
  if (req.method != "POST") {
    if (fieldValue(parseUrlEncoded(req.query), "secrets") == "1") return webSendHtml(res, 200, secretsForm(session, ""));
    return sendDownload(res, false);
  }
  uint32_t secondsLeft = 0;
  if (webLoginLocked(req.remoteAddr, secondsLeft)) {
    res.headers.emplace_back("Retry-After", std::to_string(secondsLeft));
    return webSendHtml(res, 429, secretsForm(session, "Too many wrong passwords; wait a minute."));
  }
  if (webPrepared(req, "password_ok") != "1") {
    webLoginFailed(req.remoteAddr);
    return webSendHtml(res, 401, secretsForm(session, "Wrong password."));
  }
  addWebLog("INFO", "WEB", "Configuration exported with secrets.", true);
  sendDownload(res, true);
}

void webImport(const WebRequest& req, const WebSession& session, WebResponse& res) {
  if (req.method != "POST") return webSendHtml(res, 200, importForm(session, ""));
  const WebUpload* upload = nullptr;
  for (const WebUpload& u : req.uploads) {
    if (u.field == "config") upload = &u;
  }
  ConfigEditOutcome outcome;
  if (upload == nullptr) {
    outcome.error = "No file was uploaded (form field \"config\").";
  } else {
    applyConfigFromFileText(upload->content, outcome);
  }
  addWebLog(outcome.saved ? "INFO" : "WARN", "CONFIG",
            outcome.saved ? String("Configuration imported from the browser.")
                          : "Import refused: " + String(outcome.error),
            true);
  webSendHtml(res, outcome.saved ? 200 : 400, importForm(session, webOutcomeHtml(outcome)));
}
