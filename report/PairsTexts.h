#pragma once
// The texts of a sweep and a walk-forward analysis over several
// instruments, as the window's tables and the command line's show them.

#include "engine/MultiSweep.h"
#include "report/Catalogue.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

/// A metric's caption in the window's box and the reports.
std::string_view PairsMetricCaption(PairsMetric metric);

/// The combined columns of a best row: the combination, then the figures
/// of all the instruments together.
inline constexpr std::array<BestRowColumn, 12> kPairsRowColumns = {{
    {"Сигнал", "Сигнал", 6},
    {"Стоп-лосс", "SL", 3},
    {"Тейк-профит", "TP", 3},
    {"Удерж.", "Удерж.", 6},
    {"Входы", "Входы", 6},
    {"Пункты", "Пункты", 9},
    {"Худший инструмент", "Худший", 16},
    {"Прибыльных", "Приб.", 5},
    {"Профит-фактор", "ПФ", 5},
    {"Фактор восстановления", "ФВ", 6},
    {"SQN", "SQN", 5},
    {"Макс. просадка", "Просадка", 8},
}};

/// The combined figures of the forward check, after the columns above.
inline constexpr std::array<BestRowColumn, 4> kPairsForwardColumns = {{
    {"Входы", "Входы", 5},
    {"Пункты", "Пункты", 9},
    {"Худший инструмент", "Худший", 16},
    {"Прибыльных", "Приб.", 5},
}};

/// One instrument's figures of a row.
inline constexpr std::array<BestRowColumn, 9> kPairFigureColumns = {{
    {"Инструмент", "Инструмент", 10},
    {"Входы", "Входы", 5},
    {"Выходов по TP", "TP", 4},
    {"Выходов по SL", "SL", 4},
    {"Пункты", "Пункты", 9},
    {"Профит-фактор", "ПФ", 5},
    {"Фактор восстановления", "ФВ", 6},
    {"SQN", "SQN", 5},
    {"Макс. просадка", "Просадка", 8},
}};

/// The worst instrument and its net: "EURJPY -123,4"; "-" without instruments.
std::string WorstPairText(const CombinedFigures& f, const std::vector<std::string>& names);

/// The cells of a best row in the order of kPairsRowColumns, then those of
/// kPairsForwardColumns when it has a forward check.
std::vector<std::string> PairsRowCells(const MultiSweepRow& row, const std::vector<std::string>& names);

/// The cells of one instrument's figures in the order of kPairFigureColumns.
std::vector<std::string> PairFigureCells(const std::string& name, const PairFigures& f);

/// The costs of each instrument, one line each: "EURUSD: спред 1,2 п, ..."
/// and, for an instrument the costs file has no line for, that it trades
/// without costs.
std::vector<std::string> PairsCostsLines(const std::vector<PairSetup>& pairs,
                                         const std::vector<bool>& listed);

/// The trade list with the instrument of each trade in a first column "pair".
std::string PairsTradeCsv(const std::vector<ClosedTrade>& trades, const std::vector<int>& pairOf,
                          const std::vector<std::string>& names);

} // namespace quillet
