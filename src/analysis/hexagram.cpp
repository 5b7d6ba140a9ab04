#include "analysis/hexagram.h"

#include <array>
#include <limits>

#include "analysis/histogram.h"
#include "samples/sample_store.h"

namespace tessaly {

namespace {

// King Wen number by [lower trigram code][upper trigram code].
// clang-format off
constexpr int kHexagramNumberTable[8][8] = {
    { 2, 16,  8, 45, 23, 35, 20, 12},
    {24, 51,  3, 17, 27, 21, 42, 25},
    { 7, 40, 29, 47,  4, 64, 59,  6},
    {19, 54, 60, 58, 41, 38, 61, 10},
    {15, 62, 39, 31, 52, 56, 53, 33},
    {36, 55, 63, 49, 22, 30, 37, 13},
    {46, 32, 48, 28, 18, 50, 57, 44},
    {11, 34,  5, 43, 26, 14,  9,  1},
};
// clang-format on

constexpr std::array<const char*, 64> kChineseNames = {
    "1. 乾为天",    "2. 坤为地",    "3. 水雷屯",    "4. 山水蒙",    "5. 水天需",  "6. 天水讼",
    "7. 地水师",    "8. 水地比",    "9. 风天小畜",  "10. 天泽履",   "11. 地天泰", "12. 天地否",
    "13. 天火同人", "14. 火天大有", "15. 地山谦",   "16. 雷地豫",   "17. 泽雷随", "18. 山风蛊",
    "19. 地泽临",   "20. 风地观",   "21. 火雷噬嗑", "22. 山火贲",   "23. 山地剥", "24. 地雷复",
    "25. 天雷无妄", "26. 山天大畜", "27. 山雷颐",   "28. 泽风大过", "29. 坎为水", "30. 离为火",
    "31. 泽山咸",   "32. 雷风恒",   "33. 天山遁",   "34. 雷天大壮", "35. 火地晋", "36. 地火明夷",
    "37. 风火家人", "38. 火泽睽",   "39. 水山蹇",   "40. 雷水解",   "41. 山泽损", "42. 风雷益",
    "43. 泽天夬",   "44. 天风姤",   "45. 泽地萃",   "46. 地风升",   "47. 泽水困", "48. 水风井",
    "49. 泽火革",   "50. 火风鼎",   "51. 震为雷",   "52. 艮为山",   "53. 风山渐", "54. 雷泽归妹",
    "55. 雷火丰",   "56. 火山旅",   "57. 巽为风",   "58. 兑为泽",   "59. 风水涣", "60. 水泽节",
    "61. 风泽中孚", "62. 雷山小过", "63. 水火既济", "64. 火水未济",
};

constexpr std::array<const char*, 64> kEnglishNames = {
    "1. Creative",
    "2. Earth",
    "3. Sprouting",
    "4. Not Knowing",
    "5. Waiting",
    "6. Arguing",
    "7. Army",
    "8. Seeking Union",
    "9. Small Taming",
    "10. Treading",
    "11. Flow",
    "12. Separating/Blocked",
    "13. People in Harmony",
    "14. Great Possession",
    "15. Integrity",
    "16. Enthusiasm",
    "17. Following",
    "18. Corruption",
    "19. Nearing",
    "20. Seeing",
    "21. Biting Through",
    "22. Adornment",
    "23. Stripping Away",
    "24. Returning",
    "25. Disentangling",
    "26. Great Taming",
    "27. Nourishment",
    "28. Great Exceeding",
    "29. Repeating Chasms",
    "30. Clarity",
    "31. Influence",
    "32. Enduring",
    "33. Retreat",
    "34. Great Vigour",
    "35. Advancing",
    "36. Brightness Hiding",
    "37. People in the Home",
    "38. Opposing",
    "39. Limping",
    "40. Release",
    "41. Decreasing",
    "42. Increasing",
    "43. Deciding",
    "44. Coupling",
    "45. Gathering",
    "46. Pushing Upward",
    "47. Confined",
    "48. the Well",
    "49. Radical Change",
    "50. the Vessel",
    "51. Shock",
    "52. Stilling",
    "53. Gradual Progress",
    "54. the Marrying Maiden",
    "55. Abundance",
    "56. Travelling",
    "57. Subtly Penetrating",
    "58. Opening",
    "59. Dispersing",
    "60. Measuring",
    "61. Inner Truth",
    "62. Small Exceeding",
    "63. Already Across",
    "64. Not Yet Across",
};

constexpr std::array<const char*, 64> kRussianNames = {
    "1. Творчество",
    "2. Исполнение",
    "3. Начальная трудность",
    "4. Недоразвитость",
    "5. Необходимость ждать",
    "6. Тяжба",
    "7. Войско",
    "8. Приближение",
    "9. Воспитание малым",
    "10. Наступление",
    "11. Расцвет",
    "12. Упадок",
    "13. Родня",
    "14. Обладание великим",
    "15. Смирение",
    "16. Вольность",
    "17. Последование",
    "18. Исправление порчи",
    "19. Посещение",
    "20. Созерцание",
    "21. Стиснутые зубы",
    "22. Убранство",
    "23. Разрушение",
    "24. Возврат",
    "25. Беспорочность",
    "26. Воспитание великим",
    "27. Питание",
    "28. Переразвитие великого",
    "29. Бездна",
    "30. Сияние",
    "31. Сочетание",
    "32. Постоянство",
    "33. Бегство",
    "34. Великая мощь",
    "35. Восход",
    "36. Поражение света",
    "37. Домашние",
    "38. Разлад",
    "39. Препятствие",
    "40. Разрешение",
    "41. Убыль",
    "42. Приумножение",
    "43. Выход",
    "44. Перечение",
    "45. Воссоединение",
    "46. Подъем",
    "47. Истощение",
    "48. Колодец",
    "49. Смена",
    "50. Жертвенник",
    "51. Молния",
    "52. Сосредоточенность",
    "53. Течение",
    "54. Невеста",
    "55. Изобилие",
    "56. Странствие",
    "57. Проникновение",
    "58. Радость",
    "59. Раздробление",
    "60. Ограничение",
    "61. Внутренняя правда",
    "62. Переразвитие малого",
    "63. Уже конец",
    "64. Еще не конец",
};
using Samples = std::array<int, kHexagramSeconds>;
using Lines = std::array<uint8_t, 6>;

// The samples of the 18 seconds, each from the last block (in list order) that
// holds its second; -1 where that block lacks the station. false when a second
// lies in no block.
bool GatherSamples(const SampleStore& store, uint32_t stationId, int64_t position,
                   Samples& samples) {
  if (position > std::numeric_limits<int64_t>::max() - (kHexagramSeconds - 1)) {
    return false;
  }
  return store.Read([&](const BlockList& list) {
    for (int i = 0; i < kHexagramSeconds; ++i) {
      const int64_t t = position + i;
      const SampleBlock* b = FindBlockIn(list, t, true);
      if (b == nullptr) {
        return false;
      }
      const int k = b->FindColumn(stationId);
      samples[size_t(i)] = k < 0 ? -1 : b->Sample(k, t);
    }
    return true;
  });
}

// Yarrow stalks: three divisions of the bundle, each steered by one sample.
int SticksLine(const int* x) {
  int n = 49;
  for (int change = 0; change < 3; ++change) {
    const int half = (n + 1) / 2;
    const int other = n - half;
    const int left = x[change] >= 100 ? half - (x[change] - 100) % half + 1
                                      : n - 1 - other + (99 - x[change]) % other;
    const int right = n - left;
    int rl = (left - 1) % 4;
    int rr = right % 4;
    rl = rl == 0 ? 4 : rl;
    rr = rr == 0 ? 4 : rr;
    n = n - 1 - rl - rr;
  }
  return n / 4;
}

// Three coins: a sample of 100 or more shows the side worth 3, else 2.
int CoinsLine(const int* x) {
  return 6 + (x[0] >= 100) + (x[1] >= 100) + (x[2] >= 100);
}

int CardsLine(const int* x) {
  return 10 - (x[0] % 4 == 0 ? 2 : 1) - (x[1] % 2 == 0) - (x[2] % 2 == 0);
}

template <typename LineFn>
int Cast(CHistogram& histogram, const SampleStore& store, uint32_t stationId, int64_t position,
         LineFn line) {
  Samples samples{};
  if (!GatherSamples(store, stationId, position, samples)) {
    return 0;
  }
  Lines lines{};
  int lower = 0, upper = 0;
  for (int l = 0; l < 6; ++l) {
    const int value = line(&samples[size_t(3 * l)]);
    lines[size_t(l)] = static_cast<uint8_t>(value);
    const int yang = value & 1;
    if (l < 3) {
      lower |= yang << l;
    } else {
      upper |= yang << (l - 3);
    }
  }
  histogram.hexagramLines = lines;
  return HexagramNumber(lower, upper);
}

}  // namespace

int HexagramBySticks(CHistogram& histogram, const SampleStore& store, uint32_t stationId,
                     int64_t position) {
  return Cast(histogram, store, stationId, position, SticksLine);
}

int HexagramByCoins(CHistogram& histogram, const SampleStore& store, uint32_t stationId,
                    int64_t position) {
  return Cast(histogram, store, stationId, position, CoinsLine);
}

int HexagramByCards(CHistogram& histogram, const SampleStore& store, uint32_t stationId,
                    int64_t position) {
  return Cast(histogram, store, stationId, position, CardsLine);
}

int CastHexagram(int method, CHistogram& histogram, const SampleStore& store, uint32_t stationId,
                 int64_t position) {
  switch (method) {
    case kHexagramCoin:
      return HexagramByCoins(histogram, store, stationId, position);
    case kHexagramCard:
      return HexagramByCards(histogram, store, stationId, position);
    default:
      return HexagramBySticks(histogram, store, stationId, position);
  }
}

int HexagramNumber(int lower, int upper) {
  if (lower < 0 || lower > 7 || upper < 0 || upper > 7) {
    return 0;
  }
  return kHexagramNumberTable[lower][upper];
}

std::string HexagramName(int number, int language) {
  if (number < 1 || number > 64) {
    return {};
  }
  const auto& names = language == kHexagramEnglish   ? kEnglishNames
                      : language == kHexagramRussian ? kRussianNames
                                                     : kChineseNames;
  return names[size_t(number - 1)];
}

}  // namespace tessaly
