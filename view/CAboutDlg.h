#pragma once

#include <QDialog>

// "Info über Kantilo": the program's icon, name and version, and an OK button.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
