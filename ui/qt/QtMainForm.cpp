#include "ui/qt/QtMainForm.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

QtMainForm::QtMainForm(QWidget* parent) : QtForm(MainFormLayout(), parent) {
    grpCommConfig = static_cast<QGroupBox*>(Control(FormControl::grpCommConfig));
    lblComStatTips = static_cast<QLabel*>(Control(FormControl::lblComStatTips));
    btnOpenComm = static_cast<QPushButton*>(Control(FormControl::btnOpenComm));
    btnStopOpening = static_cast<QPushButton*>(Control(FormControl::btnStopOpening));
    btnStopComm = static_cast<QPushButton*>(Control(FormControl::btnStopComm));
    btnInitCard = static_cast<QPushButton*>(Control(FormControl::btnInitCard));
    btnStartInit = static_cast<QPushButton*>(Control(FormControl::btnStartInit));
    Attach(std::make_unique<TMainForm>(*this));
}
