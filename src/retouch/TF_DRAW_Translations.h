#pragma once
#include <QStringList>

namespace velvo::retouch {

// The property paths the retouch editor's translator L1 translates, in order (separator ",").
// Header-only so the example translation files can be checked against it without the windows.
// "PenButton" names no control of the editor (the draw tool is SpeedButton1); the pass skips
// it as it does any path whose component is missing.
inline QStringList retouchTranslationList() {
    return {
        QStringLiteral("F_DRAW.Caption"),
        QStringLiteral("F_DRAW.File1.CAPTION"),
        QStringLiteral("F_DRAW.Open1.CAPTION"),
        QStringLiteral("F_DRAW.Save1.CAPTION"),
        QStringLiteral("F_DRAW.Saveas1.CAPTION"),
        QStringLiteral("F_DRAW.Print1.CAPTION"),
        QStringLiteral("F_DRAW.Exit1.CAPTION"),
        QStringLiteral("F_DRAW.Edit1.CAPTION"),
        QStringLiteral("F_DRAW.Undo1.CAPTION"),
        QStringLiteral("F_DRAW.Cut1.CAPTION"),
        QStringLiteral("F_DRAW.Copy1.CAPTION"),
        QStringLiteral("F_DRAW.Paste1.CAPTION"),
        QStringLiteral("F_DRAW.PenButton.Hint"),
        QStringLiteral("F_DRAW.GotasButton.Hint"),
        QStringLiteral("F_DRAW.Shape1.Hint"),
        QStringLiteral("F_DRAW.UndoButton.Hint"),
        QStringLiteral("F_DRAW.VelvoButton1.Hint"),
        QStringLiteral("F_DRAW.ColorComboBoxEx1.Hint"),
        QStringLiteral("F_DRAW.LineWidthComboBox1.Hint"),
    };
}

} // namespace velvo::retouch
