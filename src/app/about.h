#pragma once

#include <QDialog>

/// Shows the product name.
class About : public QDialog
{
    Q_OBJECT

public:
    explicit About(QWidget *parent = nullptr);
};
