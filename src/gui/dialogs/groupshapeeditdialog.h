#pragma once

#include "model/scenerecords.h"

#include <QDialog>

class Prompter;
class QDoubleSpinBox;
class QFontComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTextCharFormat;
class QTextEdit;

// The label, colours, line width and rich-text description of a free shape; result() is the
// record with the values entered.
class GroupShapeEditDialog : public QDialog
{
    Q_OBJECT

public:
    GroupShapeEditDialog(const ShapeRecord &record, Prompter &prompter, QWidget *parent = nullptr);

    ShapeRecord result() const;
    QTextEdit *descriptionEditor() const { return m_description; }

public Q_SLOTS:
    void pickFill();
    void pickPen();
    void toggleBold();
    void toggleItalic();
    void toggleUnderline();
    void pickTextColor();
    void onFontFamilyChanged(const QFont &font);
    void onFontSizeChanged(int size);

private:
    // Applies format to the selected text, or to the word under the cursor without one.
    void mergeFormat(const QTextCharFormat &format);
    void showColours();

    Prompter &m_prompter;
    ShapeRecord m_record;
    QLineEdit *m_label = nullptr;
    QPushButton *m_fillButton = nullptr;
    QPushButton *m_penButton = nullptr;
    QDoubleSpinBox *m_penWidth = nullptr;
    QTextEdit *m_description = nullptr;
    QFontComboBox *m_fontFamily = nullptr;
    QSpinBox *m_fontSize = nullptr;
    QPushButton *m_bold = nullptr;
    QPushButton *m_italic = nullptr;
    QPushButton *m_underline = nullptr;
};
