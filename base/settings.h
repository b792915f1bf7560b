#pragma once

// The tool's options: integers under flat keys in the per-user settings of
// organization "Travik", application "noXelView". Each call opens and closes
// its own QSettings, so a written value is committed when the call returns.
// A settings file that is garbage, unreadable or unwritable never stops the
// tool: unusable values read as their defaults, and values that cannot be
// written are kept in memory for the session.
void InitSetting(const char *key, int defaultValue);
int ReadSetting(const char *key);
void WriteSetting(const char *key, int value);

namespace SettingKey {
inline constexpr char DefaultGridColor[] = "DefaultGridColor";
inline constexpr char DefaultGridDrawMode[] = "DefaultGridDrawMode";
inline constexpr char AlwaysOnTop[] = "AlwaysOnTop";
inline constexpr char MultiDisplay[] = "MultiDisplay";
inline constexpr char TransDrawMode[] = "TransDrawMode";
inline constexpr char TransDrawColor[] = "TransDrawColor";
inline constexpr char HideManualWarning[] = "HideManualWarning";
inline constexpr char HighlightPaletteColors[] = "HighlightPaletteColors";
inline constexpr char HighlightSelection[] = "HighlightSelection";
inline constexpr char MinimalView[] = "MinimalView";
} // namespace SettingKey
