#pragma once

#include <QString>

// The maker's own details shown in the About box: the one place to change
// them.
namespace AboutTexts {

inline constexpr char ApplicationName[] = "noXelView";
inline constexpr char CompanyName[] = "Travik";
inline constexpr char MakerWebAddress[] = "www.travik.com";
// The toolkit's licensing page named in the notice.
inline constexpr char ToolkitLicensingAddress[] = "https://www.qt.io/licensing/";
// The copyright range runs from this year to the year of the build.
inline constexpr int CopyrightFirstYear = 2009;

// "noXelView V6.26d \nCompiled: Mar  5 2025 14:03:27\nwww.travik.com": date
// and time in the compiler's __DATE__ and __TIME__ forms.
QString TitleText(const QString &version, const char *buildDate, const char *buildTime);
// The copyright and licensing notice, the range ending in the build year.
QString NoticeText(const char *buildDate);

} // namespace AboutTexts
