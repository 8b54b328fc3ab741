// The page's core: the conversion and the analysis of one download held in memory, called by
// the page's worker through the plain functions below. Every call answers 0 or a failure
// number; its answer (JSON, UTF-8) is then at tarvex_answer(), and large byte ranges it hands
// out (a list, a report, a table) at tarvex_piece(0) and tarvex_piece(1), valid until the next
// call. A failure's answer is {"failure": {"number": N, "description": "..."}}, with, after a
// failed Conversion, what was counted and listed when it failed.

#include <emscripten.h>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/count_analysis.h"
#include "analysis/day_figures.h"
#include "analysis/output_format.h"
#include "analysis/summary_text.h"
#include "base/code_page.h"
#include "base/conversion_error.h"
#include "conversion/download_text.h"
#include "conversion/passages.h"
#include "conversion/regional_format.h"
#include "conversion/report_writer.h"
#include "web/intl_forms.h"

namespace tarvex {
namespace {

// JSON text, written as it goes: each value after a Key in an object, or on its own in a
// list; the commas come by themselves.
class Json {
 public:
  std::string& Text() { return text_; }
  // A string of UTF-8 text.
  Json& String(std::string_view utf8) {
    Value();
    Quoted(utf8);
    return *this;
  }
  // A string of Windows-1252 bytes, as text.
  Json& Bytes(std::string_view windows1252) {
    std::string utf8;
    AppendUtf8(utf8, windows1252);
    return String(utf8);
  }
  Json& Number(std::int64_t value) {
    Value();
    text_ += std::to_string(value);
    return *this;
  }
  Json& Key(std::string_view name) {
    Value();
    Quoted(name);
    text_ += ':';
    after_key_ = true;
    return *this;
  }
  Json& Open(char bracket) {
    Value();
    text_ += bracket;
    first_ = true;
    return *this;
  }
  Json& Close(char bracket) {
    text_ += bracket;
    first_ = false;
    return *this;
  }
  // What is written so far is a whole part of the answer: a failure keeps it.
  void Keep() { kept_ = text_.size(); }
  // Back to what was kept, in the object opened first.
  void Rewind() {
    text_.resize(kept_);
    first_ = kept_ <= 1;
    after_key_ = false;
  }

 private:
  void Value() {
    if (!after_key_ && !first_) text_ += ',';
    after_key_ = first_ = false;
  }
  void Quoted(std::string_view utf8) {
    text_ += '"';
    for (const char c : utf8) {
      const auto byte = static_cast<unsigned char>(c);
      if (c == '"' || c == '\\') {
        text_ += '\\';
        text_ += c;
      } else if (byte < 0x20 || byte == 0x7F) {
        static constexpr char kHex[] = "0123456789abcdef";
        text_ += "\\u00";
        text_ += kHex[byte >> 4];
        text_ += kHex[byte & 0xF];
      } else {
        text_ += c;
      }
    }
    text_ += '"';
  }
  std::string text_;
  bool first_ = true;
  bool after_key_ = false;
  std::size_t kept_ = 1;
};

// The page's one open download and what was made of it.
struct Page {
  ConversionState state;
  bool open = false;
  std::string name;                          // the download's name, UTF-8
  std::unique_ptr<RegionalFormatter> forms;  // of the last Conversion
  std::string forms_key;                     // "" for the classic forms, else the language
  std::vector<Passage> passages;             // collected on first need after an Open
  std::optional<CountAnalysis> analysis;     // made on first need after an Open
  std::string answer;
  std::string output;  // a report or a table handed out
  std::string_view pieces[2];
};

Page& ThePage() {
  static Page page;
  return page;
}

// What works on the open download refuses, as a call with nothing to work on, when none is:
// never an empty report or table.
Page& OpenPage(Page& page) {
  if (!page.open) throw ConversionError(failure::kInvalidArgument);
  return page;
}

const RegionalFormatter& Forms(Page& page) {
  if (!page.forms) page.forms = std::make_unique<SystemFormatter>("");
  return *page.forms;
}

const CountAnalysis& Analysis(Page& page) {
  if (!page.analysis) {
    page.passages = CollectPassages(page.state.FileText);
    page.analysis = AnalyzeCounts(page.state.FileText, page.passages, page.state.DownloadDate);
  }
  return *page.analysis;
}

void WriteFailure(Json& json, int number, std::string_view description) {
  json.Key("failure").Open('{');
  json.Key("number").Number(number);
  json.Key("description").String(description);
  json.Close('}');
}

// Runs `body` with a fresh answer and no pieces; a failure is its number, and its answer the
// failure, after what `body` kept of its answer (see Json::Keep). Exhausted memory, and anything
// else that is not a failure of the conversion, is failure 7.
template <typename Body>
int Answer(Body&& body) {
  Page& page = ThePage();
  page.pieces[0] = page.pieces[1] = {};
  std::string().swap(page.answer);
  std::string().swap(page.output);
  Json json;
  json.Open('{');
  int number = 0;
  std::string description;
  try {
    try {
      body(page, json);
    } catch (const ConversionError& failure) {
      number = failure.Number();
      description = failure.Description();
    } catch (const std::bad_alloc&) {
      number = failure::kOutOfMemory;
      description = FailureDescription(number);
    } catch (const std::exception&) {
      number = failure::kOutOfMemory;
      description = FailureDescription(number);
    }
    if (number != 0) {
      json.Rewind();
      WriteFailure(json, number, description);
    }
    json.Close('}');
    page.answer.swap(json.Text());
  } catch (const std::bad_alloc&) {
    // Not even the answer fits: the number alone says it.
    number = failure::kOutOfMemory;
    page.pieces[0] = page.pieces[1] = {};
    page.answer.clear();
  }
  return number;
}

void WriteCounts(Json& json, const ConversionState& state) {
  json.Key("counts").Open('{');
  json.Key("entries").Number(state.EntryCount);
  json.Key("exits").Number(state.ExitCount);
  json.Key("total").Number(state.TotalCount);
  json.Close('}');
}

constexpr std::string_view kExports[] = {format_name::kPassages,  format_name::kIntervals,
                                         format_name::kIntervals, format_name::kDays,
                                         format_name::kHourly,    format_name::kSummary};

}  // namespace
}  // namespace tarvex

using namespace tarvex;

extern "C" {

// Open: the download `bytes` (its file's name `name`, UTF-8). Answers the header fields
// (text), the position of its "&", and piece 0, the download's text (Windows-1252). On failure
// no download is open.
EMSCRIPTEN_KEEPALIVE int tarvex_open(const char* name, std::size_t name_size, const char* bytes,
                                     std::size_t size) {
  return Answer([&](Page& page, Json& json) {
    page.open = false;
    page.state = ConversionState();
    page.name.clear();
    page.passages = {};
    page.analysis.reset();
    OpenDownloadText(page.state, std::string_view(bytes, size));
    page.name.assign(name, name_size);
    page.open = true;
    json.Key("header").Open('{');
    json.Key("counter").Bytes(page.state.GlobalCounter);
    json.Key("serial").Bytes(page.state.SerialNumber);
    json.Key("date").Bytes(page.state.DownloadDate);
    json.Key("position").Bytes(page.state.HeaderPosText);
    json.Close('}');
    page.pieces[0] = page.state.FileText;
  });
}

// Conversion of the open download, afresh: its scans armed again, its lists emptied, then
// converted in the classic forms (`regional` 0) or in the browser's forms of `language`.
// Answers the counts and the forms' notices (Spanish), piece 0 the entries' list and piece 1
// the exits' (Windows-1252, CRLF after each line); after a failure, what the lists held then.
EMSCRIPTEN_KEEPALIVE int tarvex_convert(int regional, const char* language,
                                        std::size_t language_size) {
  return Answer([&](Page& page, Json& json) {
    ConversionState& state = OpenPage(page).state;
    ResetState(state);
    Release(state.EntryList);
    Release(state.ExitList);
    const std::string key = regional != 0 ? std::string(language, language_size) : std::string();
    if (!page.forms || key != page.forms_key) {
      page.forms.reset();
      if (regional != 0) {
        page.forms = std::make_unique<IntlForms>(key);
      } else {
        page.forms = std::make_unique<SystemFormatter>("");
      }
      page.forms_key = key;
    }
    json.Key("notices").Open('[');
    for (const RegionalNotice& notice : page.forms->Notices()) {
      json.String(notice.Text(notice.locale));
    }
    json.Close(']');
    try {
      ConvertDownload(state, *page.forms);
    } catch (...) {
      WriteCounts(json, state);
      json.Keep();
      page.pieces[0] = state.EntryList;
      page.pieces[1] = state.ExitList;
      throw;
    }
    WriteCounts(json, state);
    page.pieces[0] = state.EntryList;
    page.pieces[1] = state.ExitList;
  });
}

// The report of the open download as Guardar appends it: piece 0 (Windows-1252).
EMSCRIPTEN_KEEPALIVE int tarvex_report() {
  return Answer([&](Page& page, Json&) {
    page.output = ReportText(OpenPage(page).state);
    page.pieces[0] = page.output;
  });
}

// What the Resumen window shows of the open download: its days, its average days, its checks
// and its period, in the forms of the last Conversion (classic before any).
EMSCRIPTEN_KEEPALIVE int tarvex_summary() {
  return Answer([&](Page& page, Json& json) {
    const CountAnalysis& analysis = Analysis(OpenPage(page));
    const RegionalFormatter& forms = Forms(page);
    const char decimal = forms.DecimalSeparator();
    json.Key("days").Open('[');
    for (const DayCounts& day : analysis.days) {
      const DayFigures f = PresentDay(day, forms);
      const bool missing = day.coverage == Coverage::kMissing;
      json.Open('{');
      json.Key("date").Bytes(f.date);
      json.Key("weekday").Bytes(f.weekday);
      json.Key("coverage").Bytes(f.coverage);
      json.Key("entries").Bytes(f.entries);
      json.Key("exits").Bytes(f.exits);
      json.Key("total").Bytes(f.total);
      json.Key("peak_hour").Bytes(f.peak_hour);
      json.Key("peak_volume").Bytes(f.peak_volume);
      json.Key("peak_factor").Bytes(f.peak_factor);
      json.Key("split").Bytes(f.split);
      json.Key("max_occupancy").Bytes(missing ? "" : f.MaxWithTime());
      json.Key("min_occupancy").Bytes(f.min_occupancy);
      json.Key("end_occupancy").Bytes(f.end_occupancy);
      json.Close('}');
    }
    json.Close(']');
    json.Key("averages").Open('[');
    for (const std::size_t kind : {0u, 1u}) {
      const AverageDay& average = kind == 0 ? analysis.weekday : analysis.weekend;
      json.Open('{');
      json.Key("name").String(kAverageDayNames[kind]);
      json.Key("days").Number(average.days);
      if (average.days == 0) {
        json.Key("none").String(kNoAverageDay[kind]);
      } else {
        const AverageMeans means = MeansOf(average);
        json.Key("entries").Bytes(TenthsText(means.day[kEntryFlow], decimal));
        json.Key("exits").Bytes(TenthsText(means.day[kExitFlow], decimal));
        json.Key("total").Bytes(TenthsText(means.day[kBothFlows], decimal));
      }
      json.Close('}');
    }
    json.Close(']');
    json.Key("checks").Open('[');
    for (const std::string& line : SummaryText::CheckLines(analysis)) json.String(line);
    json.Close(']');
    std::string period = SummaryText::PeriodLine(analysis);
    if (!period.empty() && period.back() == '\n') period.pop_back();
    json.Key("period").String(period);
  });
}

// The hours of day `day` of the summary's days, or of the average weekday (-1) or weekend day
// (-2): for each hour its span, entries, exits and occupancy at its end (numbers); of an
// average day the means of entries, exits and both (text in tenths, as the window shows them,
// and "tenths", the numbers). No hours for a missing day or an average of no day.
EMSCRIPTEN_KEEPALIVE int tarvex_hours(int day) {
  return Answer([&](Page& page, Json& json) {
    const CountAnalysis& analysis = Analysis(OpenPage(page));
    json.Key("hours").Open('[');
    if (day >= 0 && static_cast<std::size_t>(day) < analysis.days.size()) {
      const DayCounts& counts = analysis.days[static_cast<std::size_t>(day)];
      if (counts.coverage != Coverage::kMissing) {
        const std::array<Quarter, 24> hours = Hours(counts);
        for (int hour = 0; hour < 24; ++hour) {
          const Quarter& q = hours[static_cast<std::size_t>(hour)];
          json.Open('{');
          json.Key("hour").String(HourSpan(hour * 60));
          json.Key("entries").Number(q.entries);
          json.Key("exits").Number(q.exits);
          json.Key("occupancy").Number(q.occupancy);
          json.Close('}');
        }
      }
    } else if (day == -1 || day == -2) {
      const AverageDay& average = day == -1 ? analysis.weekday : analysis.weekend;
      const char decimal = Forms(page).DecimalSeparator();
      if (average.days > 0) {
        const AverageMeans means = MeansOf(average);
        for (std::size_t hour = 0; hour < 24; ++hour) {
          const auto& flows = means.hours[hour];
          json.Open('{');
          json.Key("hour").String(HourSpan(static_cast<int>(hour) * 60));
          json.Key("entries").Bytes(TenthsText(flows[kEntryFlow], decimal));
          json.Key("exits").Bytes(TenthsText(flows[kExitFlow], decimal));
          json.Key("occupancy").Bytes(TenthsText(flows[kBothFlows], decimal));
          json.Key("tenths").Open('[');
          for (const std::int64_t tenths : flows) json.Number(tenths);
          json.Close(']');
          json.Close('}');
        }
      }
    }
    json.Close(']');
  });
}

// An output of the open download as the command line writes it into an empty file: `kind`
// 0 passages, 1 intervals of 15 minutes, 2 of 60, 3 days, 4 hours, 5 the summary. Piece 0.
EMSCRIPTEN_KEEPALIVE int tarvex_export(int kind) {
  return Answer([&](Page& page, Json&) {
    if (kind < 0 || kind >= static_cast<int>(std::size(kExports))) {
      throw ConversionError(failure::kInvalidArgument);
    }
    const std::unique_ptr<OutputFormat> format =
        MakeOutputFormat(kExports[kind], kind == 1 ? 15 : 60);
    const CountAnalysis& analysis = Analysis(OpenPage(page));
    const DownloadCounts counts{{page.name}, page.state, page.passages, analysis};
    std::string& out = page.output;
    OutputSink sink([&out](std::string_view bytes) { out.append(bytes); });
    sink.Buffer() += format->Header();
    format->Append(counts, sink);
    sink.Flush();
    page.pieces[0] = out;
  });
}

// The failure `number` as an answer (its Spanish description), for what the worker meets
// outside the core: a trap, memory the loader could not have.
EMSCRIPTEN_KEEPALIVE int tarvex_failure(int number) {
  return Answer([&](Page&, Json&) { throw ConversionError(number); });
}

EMSCRIPTEN_KEEPALIVE const char* tarvex_answer() {
  return ThePage().answer.data();
}

EMSCRIPTEN_KEEPALIVE std::size_t tarvex_answer_size() {
  return ThePage().answer.size();
}

EMSCRIPTEN_KEEPALIVE const char* tarvex_piece(int which) {
  return ThePage().pieces[which != 0 ? 1 : 0].data();
}

EMSCRIPTEN_KEEPALIVE std::size_t tarvex_piece_size(int which) {
  return ThePage().pieces[which != 0 ? 1 : 0].size();
}

}  // extern "C"
