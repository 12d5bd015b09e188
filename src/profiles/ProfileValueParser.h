// The three parsers of a profile value ("chosen, {option,option,...}").
//
// Double quotes are ignored anywhere. The chosen value stands before ", {" or ",{", the
// options inside the braces; a value without braces is both the chosen value and its only
// option. A chosen value of one blank means "keep the source's value".
//
// Two readers use them with different rules:
//  - the settings window strips every blank from the options and, when nothing stands
//    before the comma, chooses the first option;
//  - the output-format browsers keep blanks inside options, trim a single option and leave
//    an empty chosen value empty.
// std::nullopt is "no value" (nothing to show or store).
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class ProfileValueParser {
public:
    enum class Style { SettingsWindow, Browser };

    // The options of a value; nullopt when the value is empty or names no option.
    static std::optional<QStringList> resultContentStrForArr(const QString& value,
                                                             Style style = Style::SettingsWindow);
    // The chosen value; nullopt when there is none (the source's value is kept). With the
    // browser style an empty chosen value comes back as an empty text.
    static std::optional<QString> resultSelectItemTitleForContentStr(const QString& value,
                                                                     Style style = Style::SettingsWindow);
    // The text without leading and trailing spaces (U+0020 only; tabs stay); nullopt when it
    // held only spaces; an empty text stays empty.
    static std::optional<QString> new_startAndendnospaceString(const QString& text);
};
