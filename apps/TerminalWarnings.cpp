#include "apps/TerminalWarnings.h"

std::string TerminalWarnings::plainLine(const QString& text) {
    QString line = text;
    line.replace(QStringLiteral("<br>"), QStringLiteral(" "));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line.toStdString();
}

void TerminalWarnings::warning(const QString& text) { stream_ << prefix_ << plainLine(text) << "\n"; }
