#pragma once
// The captions of the fourteen value labels of the single-pair report, laid
// out as the single-pair page groups them. The command line's plain output
// and the HTML report walk this one table.

namespace quillet {

/// A heading (no label) or a caption and the value label beside it.
struct CaptionLine {
    const char* Label; // nullptr for a heading
    const char* Caption;
    bool Indented;
};

inline constexpr CaptionLine kCaptionLines[] = {
    {"Label79", "Количество входов", false},
    {"Label64", "Количество ТР", false},
    {"Label71", "Количество SL", false},
    {"Label75", "Общий процент ТР   (%)", false},
    {"Label84", "Средняя просадка при TP (пп)", false},
    {"Label82", "Максимальная просадка при TP (пп)", false},
    {"Label157", "\"Профитность\"", false},
    {"Label160", "Максимальная серия TP", false},
    {"Label162", "Максимальная серия SL", false},
    {nullptr, "Закрытые по \"тайм-ауту\" сделки, шт(п)", false},
    {"Label95", "Закрытые в +", true},
    {"Label171", "Закрытые в -", true},
    {nullptr, "Подробно по профиту", false},
    {nullptr, "Часовых свечей до профита:", false},
    {"Label87", "Минимальное", true},
    {"Label90", "Среднее", true},
    {"Label92", "Максимальное", true},
};

} // namespace quillet
