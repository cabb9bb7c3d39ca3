#pragma once

class QCoreApplication;

// Loads Qt's own French texts (standard buttons, file dialogs, context menus of line edits)
// so that they match the rest of the interface. Returns false when they are not installed.
bool installFrenchQtTranslations(QCoreApplication &app);
