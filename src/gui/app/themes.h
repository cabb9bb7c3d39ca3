#pragma once

class QApplication;

enum class Theme { Dark, Light, Neon };

// Applies the Fusion style with the theme's palette and style sheet to the whole application.
void applyTheme(QApplication &app, Theme theme);

// The theme chosen last, kept in the user's settings between runs; neon until one is chosen.
Theme storedTheme();
void storeTheme(Theme theme);
