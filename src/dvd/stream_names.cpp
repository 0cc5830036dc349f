#include "dvd/stream_names.h"

#include <array>
#include <cctype>

namespace dvd {
namespace {

struct Language {
  char code[3];
  const char* name;
};

// ASCII only: the names go into 8-bit catalogue slots and are drawn as they stand.
constexpr std::array<Language, 64> kLanguages{{
    {"aa", "Afar"},       {"af", "Afrikaans"},  {"ar", "Arabic"},     {"be", "Belarusian"},
    {"bg", "Bulgarian"},  {"bn", "Bengali"},    {"bs", "Bosnian"},    {"ca", "Catalan"},
    {"cs", "Czech"},      {"cy", "Welsh"},      {"da", "Dansk"},      {"de", "Deutsch"},
    {"el", "Greek"},      {"en", "English"},    {"eo", "Esperanto"},  {"es", "Espanol"},
    {"et", "Estonian"},   {"eu", "Basque"},     {"fa", "Persian"},    {"fi", "Suomi"},
    {"fo", "Faroese"},    {"fr", "Francais"},   {"ga", "Irish"},      {"gd", "Gaelic"},
    {"gl", "Galician"},   {"he", "Hebrew"},     {"hi", "Hindi"},      {"hr", "Hrvatski"},
    {"hu", "Magyar"},     {"hy", "Armenian"},   {"id", "Indonesian"}, {"is", "Islenska"},
    {"it", "Italiano"},   {"iw", "Hebrew"},     {"ja", "Japanese"},   {"ka", "Georgian"},
    {"kk", "Kazakh"},     {"ko", "Korean"},     {"la", "Latin"},      {"lt", "Lithuanian"},
    {"lv", "Latvian"},    {"mk", "Macedonian"}, {"ms", "Malay"},      {"mt", "Maltese"},
    {"nl", "Nederlands"}, {"no", "Norsk"},      {"pl", "Polish"},     {"pt", "Portugues"},
    {"ro", "Romanian"},   {"ru", "Russian"},    {"sk", "Slovak"},     {"sl", "Slovenian"},
    {"sq", "Albanian"},   {"sr", "Serbian"},    {"sv", "Svenska"},    {"ta", "Tamil"},
    {"th", "Thai"},       {"tl", "Tagalog"},    {"tr", "Turkish"},    {"uk", "Ukrainian"},
    {"ur", "Urdu"},       {"vi", "Vietnamese"}, {"yi", "Yiddish"},    {"zh", "Chinese"},
}};

std::string cut(std::string text) {
  if (text.size() > kMaxNameLength) text.resize(kMaxNameLength);
  return text;
}

}  // namespace

std::string language_name(uint16_t code) {
  const char first = static_cast<char>(std::tolower(code >> 8));
  const char second = static_cast<char>(std::tolower(code & 0xff));
  if (!std::isalpha(static_cast<unsigned char>(first)) ||
      !std::isalpha(static_cast<unsigned char>(second)))
    return "Unknown";
  for (const Language& language : kLanguages)
    if (language.code[0] == first && language.code[1] == second) return language.name;
  return std::string{first, second};
}

AudioFormat audio_format_from_ifo(int coding) {
  switch (coding) {
    case 0: return AudioFormat::Ac3;
    case 2: return AudioFormat::Mpeg1;
    case 3: return AudioFormat::Mpeg2;
    case 4: return AudioFormat::Lpcm;
    case 6: return AudioFormat::Dts;
    default: return AudioFormat::Unknown;
  }
}

const char* audio_format_label(AudioFormat format) {
  switch (format) {
    case AudioFormat::Ac3: return "AC3";
    case AudioFormat::Mpeg1:
    case AudioFormat::Mpeg2: return "MPEG";
    case AudioFormat::Lpcm: return "LPCM";
    case AudioFormat::Dts: return "DTS";
    case AudioFormat::Unknown: break;
  }
  return "Unknown";
}

std::string audio_track_name(uint16_t language_code, AudioFormat format, int channels) {
  return cut(language_name(language_code) + " " + audio_format_label(format) + " " +
             std::to_string(channels) + "ch");
}

std::string subtitle_stream_name(uint16_t language_code) { return cut(language_name(language_code)); }

}  // namespace dvd
