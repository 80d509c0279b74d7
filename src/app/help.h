#pragma once

#include <QDialog>

#include <memory>

class Prompts;

/// How to create, rename and delete hot spots with the mouse.
class Help : public QDialog
{
    Q_OBJECT

public:
    explicit Help(QWidget *parent = nullptr);

    /// Opens \a help, made on first use; an error opening it is told as the Help command's.
    static void open(std::unique_ptr<Help> &help, Prompts &prompts);

protected:
    void showEvent(QShowEvent *event) override;
};
