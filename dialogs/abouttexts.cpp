#include "dialogs/abouttexts.h"

namespace AboutTexts {

QString TitleText(const QString &version, const char *buildDate, const char *buildTime)
{
    return QStringLiteral("%1 V%2 \nCompiled: %3 %4\n")
               .arg(QLatin1String(ApplicationName), version, QLatin1String(buildDate),
                    QLatin1String(buildTime))
           + QLatin1String(MakerWebAddress);
}

QString NoticeText(const char *buildDate)
{
    // __DATE__ is "Mmm dd yyyy": the year is its last four characters.
    const QString date = QLatin1String(buildDate);
    bool ok = false;
    int lastYear = date.right(4).toInt(&ok);
    if (!ok || lastYear < CopyrightFirstYear)
        lastYear = CopyrightFirstYear;
    const QString range = lastYear > CopyrightFirstYear
                              ? QStringLiteral("%1-%2").arg(CopyrightFirstYear).arg(lastYear)
                              : QString::number(CopyrightFirstYear);
    return QStringLiteral("Copyright (C) %1 %2. All rights reserved.\n\n"
                          "This program uses the Qt toolkit under the terms of the\n"
                          "GNU Lesser General Public License version 3.\n"
                          "Qt licensing: %3")
        .arg(range, QLatin1String(CompanyName), QLatin1String(ToolkitLicensingAddress));
}

} // namespace AboutTexts
