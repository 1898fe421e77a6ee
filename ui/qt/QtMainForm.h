// QtMainForm: the main window (TMainForm) on Qt Widgets. The controls carry the
// window's names; everything they do is TMainForm's.
#pragma once

#include "ui/MainFrm.h"
#include "ui/qt/QtForm.h"

class QGroupBox;
class QLabel;
class QPushButton;

class QtMainForm : public QtForm {
    Q_OBJECT
public:
    explicit QtMainForm(QWidget* parent = nullptr);

    TMainForm& Logic() const { return static_cast<TMainForm&>(Form()); }

    QGroupBox* grpCommConfig = nullptr;
    QLabel* lblComStatTips = nullptr;
    QPushButton* btnOpenComm = nullptr;
    QPushButton* btnStopOpening = nullptr;
    QPushButton* btnStopComm = nullptr;
    QPushButton* btnInitCard = nullptr;  // never shown; reached through OnCardFound
    QPushButton* btnStartInit = nullptr;
};
