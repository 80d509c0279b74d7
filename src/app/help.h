#pragma once

#include <QDialog>

/// How to create, rename and delete hot spots with the mouse.
class Help : public QDialog
{
    Q_OBJECT

public:
    explicit Help(QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;
};
