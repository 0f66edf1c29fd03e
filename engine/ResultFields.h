#pragma once
// The seventeen totals of a run as one table: each field's name (as the JSON
// and the CSV write it) and where it lives in BacktestResult. The JSON, the
// CSV, the sweep's column fold and the tests walk this table instead of
// listing the fields again.

#include "engine/BacktestResult.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillet {

/// One total: its name and its member. Every total is a 32-bit counter but
/// the last, which is a flag.
struct ResultField {
    std::string_view Name;
    std::int32_t BacktestResult::*Count = nullptr;
    bool BacktestResult::*Flag = nullptr;
};

inline constexpr std::array<ResultField, 17> kResultFields = {{
    {"Entries", &BacktestResult::Entries},
    {"TakeProfits", &BacktestResult::TakeProfits},
    {"StopLosses", &BacktestResult::StopLosses},
    {"TimeoutWins", &BacktestResult::TimeoutWins},
    {"TimeoutWinPoints", &BacktestResult::TimeoutWinPoints},
    {"TimeoutLosses", &BacktestResult::TimeoutLosses},
    {"TimeoutLossPoints", &BacktestResult::TimeoutLossPoints},
    {"HoursSum", &BacktestResult::HoursSum},
    {"HoursMin", &BacktestResult::HoursMin},
    {"HoursMax", &BacktestResult::HoursMax},
    {"DrawdownSum", &BacktestResult::DrawdownSum},
    {"DrawdownMax", &BacktestResult::DrawdownMax},
    {"TpSeries", &BacktestResult::TpSeries},
    {"TpSeriesMax", &BacktestResult::TpSeriesMax},
    {"SlSeries", &BacktestResult::SlSeries},
    {"SlSeriesMax", &BacktestResult::SlSeriesMax},
    {"LastWasTakeProfit", nullptr, &BacktestResult::LastWasTakeProfit},
}};
inline constexpr std::size_t kResultFieldCount = kResultFields.size();

/// The place of a counter in the table, found when compiling.
constexpr std::size_t ResultFieldIndex(std::int32_t BacktestResult::*count)
{
    for (std::size_t i = 0; i < kResultFieldCount; ++i)
        if (kResultFields[i].Count == count)
            return i;
    return kResultFieldCount;
}

constexpr std::size_t ResultFieldIndex(bool BacktestResult::*flag)
{
    for (std::size_t i = 0; i < kResultFieldCount; ++i)
        if (kResultFields[i].Flag == flag)
            return i;
    return kResultFieldCount;
}

// The places of the totals in the table.
inline constexpr std::size_t kFieldEntries = ResultFieldIndex(&BacktestResult::Entries);
inline constexpr std::size_t kFieldTakeProfits = ResultFieldIndex(&BacktestResult::TakeProfits);
inline constexpr std::size_t kFieldStopLosses = ResultFieldIndex(&BacktestResult::StopLosses);
inline constexpr std::size_t kFieldTimeoutWins = ResultFieldIndex(&BacktestResult::TimeoutWins);
inline constexpr std::size_t kFieldTimeoutWinPoints = ResultFieldIndex(&BacktestResult::TimeoutWinPoints);
inline constexpr std::size_t kFieldTimeoutLosses = ResultFieldIndex(&BacktestResult::TimeoutLosses);
inline constexpr std::size_t kFieldTimeoutLossPoints = ResultFieldIndex(&BacktestResult::TimeoutLossPoints);
inline constexpr std::size_t kFieldHoursSum = ResultFieldIndex(&BacktestResult::HoursSum);
inline constexpr std::size_t kFieldHoursMin = ResultFieldIndex(&BacktestResult::HoursMin);
inline constexpr std::size_t kFieldHoursMax = ResultFieldIndex(&BacktestResult::HoursMax);
inline constexpr std::size_t kFieldDrawdownSum = ResultFieldIndex(&BacktestResult::DrawdownSum);
inline constexpr std::size_t kFieldDrawdownMax = ResultFieldIndex(&BacktestResult::DrawdownMax);
inline constexpr std::size_t kFieldTpSeries = ResultFieldIndex(&BacktestResult::TpSeries);
inline constexpr std::size_t kFieldTpSeriesMax = ResultFieldIndex(&BacktestResult::TpSeriesMax);
inline constexpr std::size_t kFieldSlSeries = ResultFieldIndex(&BacktestResult::SlSeries);
inline constexpr std::size_t kFieldSlSeriesMax = ResultFieldIndex(&BacktestResult::SlSeriesMax);
inline constexpr std::size_t kFieldLastWasTakeProfit = ResultFieldIndex(&BacktestResult::LastWasTakeProfit);

/// A field's value widened to 32 bits (the flag as 0 or 1).
inline std::int32_t ResultFieldValue(const BacktestResult& r, const ResultField& field)
{
    return field.Count ? r.*field.Count : static_cast<std::int32_t>(r.*field.Flag);
}

/// Sets a field from its 32-bit form (the flag from anything but 0).
inline void SetResultField(BacktestResult& r, const ResultField& field, std::int32_t value)
{
    if (field.Count)
        r.*field.Count = value;
    else
        r.*field.Flag = value != 0;
}

} // namespace quillet
