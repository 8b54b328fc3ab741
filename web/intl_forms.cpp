#include "web/intl_forms.h"

#include <emscripten.h>

#include <array>

#include "base/code_page.h"

namespace tarvex {

namespace {

// Whether the browser's Intl knows `language` (not only a fallback of its own).
EM_JS(int, IntlKnows, (const char* language), {
  try {
    return Intl.DateTimeFormat.supportedLocalesOf([UTF8ToString(language)]).length > 0 ? 1 : 0;
  } catch (e) {
    return 0;
  }
});

// One text of `language` as code points in `out` (at most `capacity`): a date (kind 0: year
// a, month b, day c), a time (kind 1: a seconds after midnight) or the decimal separator
// (kind 2). The count of code points, -1 when they do not fit or Intl fails. Each form is
// made once and kept.
EM_JS(int, IntlRender,
      (const char* language, int kind, int a, int b, int c, char32_t* out, int capacity), {
        try {
          var kept = Module.intlForms || (Module.intlForms = {});
          var tag = UTF8ToString(language);
          var key = kind + " " + tag;
          var form = kept[key];
          if (!form) {
            if (kind == 2) {
              form = new Intl.NumberFormat(tag);
            } else if (kind == 0) {
              form = new Intl.DateTimeFormat(
                  tag, {timeZone : "UTC", year : "numeric", month : "2-digit", day : "2-digit"});
            } else {
              form = new Intl.DateTimeFormat(tag, {timeZone : "UTC", timeStyle : "medium"});
            }
            kept[key] = form;
          }
          var text = ".";
          if (kind == 2) {
            var parts = form.formatToParts(1.5);
            for (var i = 0; i < parts.length; ++i) {
              if (parts[i].type == "decimal") text = parts[i].value;
            }
          } else {
            var when = new Date(0);
            if (kind == 0) {
              when.setUTCFullYear(a, b - 1, c);
            } else {
              when.setUTCHours(Math.floor(a / 3600), Math.floor(a / 60) % 60, a % 60);
            }
            text = form.format(when);
          }
          text = text.split(String.fromCharCode(0x202F)).join(" ");
          var at = (out >>> 0) >>> 2;
          var count = 0;
          for (var j = 0; j < text.length; ++j) {
            var code = text.codePointAt(j);
            if (code > 0xFFFF) ++j;
            if (count >= capacity) return -1;
            HEAPU32[at + count++] = code;
          }
          return count;
        } catch (e) {
          return -1;
        }
      });

// Room for any form: Intl's are a few dozen characters.
constexpr int kRoom = 128;

std::wstring Render(const std::string& language, int kind, int a, int b, int c) {
  std::array<char32_t, kRoom> codes;
  const int count = IntlRender(language.c_str(), kind, a, b, c, codes.data(), kRoom);
  // A text Intl could not give is never shown: the classic form takes its place.
  if (count < 0) return std::wstring(1, wchar_t{0xFFFF});
  return std::wstring(codes.begin(), codes.begin() + count);
}

}  // namespace

IntlForms::IntlForms(const std::string& language) : language_(language) {
  if (language.empty()) return;
  if (IntlKnows(language.c_str()) == 0) {
    notices_.push_back({RegionalNotice::Kind::kNotInstalled, language});
    return;
  }
  // As on the desktop (see DatesFit and TimesFit).
  dates_fit_ = DatesFit([this](std::chrono::year_month_day date) { return IntlDate(date); });
  times_fit_ = TimesFit([this](TimeOfDay time) { return IntlTime(time); });
  const std::wstring point = Render(language_, 2, 0, 0, 0);
  if (point.size() == 1 && point[0] != L'?' && FitsCodePage(point)) {
    decimal_separator_ = ToWindows1252(static_cast<char32_t>(point[0]));
  }
  if (!dates_fit_) notices_.push_back({RegionalNotice::Kind::kDateForm, language});
  if (!times_fit_) notices_.push_back({RegionalNotice::Kind::kTimeForm, language});
}

std::wstring IntlForms::IntlDate(std::chrono::year_month_day date) const {
  return Render(language_, 0, static_cast<int>(date.year()),
                static_cast<int>(static_cast<unsigned>(date.month())),
                static_cast<int>(static_cast<unsigned>(date.day())));
}

std::wstring IntlForms::IntlTime(TimeOfDay time) const {
  return Render(language_, 1, static_cast<int>(time.to_duration().count()), 0, 0);
}

std::string IntlForms::ShortDate(std::chrono::year_month_day date) const {
  if (dates_fit_) {
    // A value the trial did not meet: this one in the classic form, never with "?".
    const std::wstring text = IntlDate(date);
    if (FitsCodePage(text)) return ToWindows1252(text);
  }
  return classic_.ShortDate(date);
}

std::string IntlForms::LongTime(TimeOfDay time) const {
  if (times_fit_) {
    const std::wstring text = IntlTime(time);
    if (FitsCodePage(text)) return ToWindows1252(text);
  }
  return classic_.LongTime(time);
}

}  // namespace tarvex
