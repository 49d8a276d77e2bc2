#pragma once
#include <QStringList>

// The property paths the main window's translator L1 translates, in order (separator ",").
// Two lines name menu entries the main window does not have (ImprimirColeo1, Tonalidade1);
// the pass skips them. StyledLabel1 to StyledLabel7 are the colour panel's slider labels in
// slider order (Vermelho, Verde, Azul, Contraste, Luz, Saturação, Nitidez), StyledLabel8 its
// title "Color Panel"; BitBtn1, BitBtn2 and BitBtn21 are the panel's buttons.
QStringList mainWindowTranslationList();
