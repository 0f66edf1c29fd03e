#pragma once
// The core's texts as the window's cells and labels show them.

#include "engine/NetFolder.h"
#include "model/Dates.h"
#include "report/FigureTexts.h"

#include <QString>

#include <string>

namespace quillet::ui {

inline QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

/// A date, or "-" where there is none (0).
inline QString DateText(double date)
{
    return date == 0 ? QStringLiteral("-") : Text(FormatDate(date));
}

/// A ratio with `decimals`, or "-" where its divisor is 0.
inline QString RatioCell(const Ratio& r, int decimals = 2)
{
    return Text(RatioFigureText(r, decimals));
}

} // namespace quillet::ui
