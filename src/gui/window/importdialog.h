#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <vector>

class QCheckBox;

namespace Ui {
class ImportDialog;
}

// What an import asks before it starts: where to keep the network (a folder named after the
// extract, by default in the user's documents; one that holds a network already is replaced
// once the user says so) and which kinds of places become its cities.
class ImportDialog : public QDialog
{
    Q_OBJECT

public:
    // The kinds offered, as OpenStreetMap's place= values, those of gpsnet osm's default first.
    static QStringList offeredKinds();

    ImportDialog(QWidget *parent, const QString &extract, const QString &folder,
                 const QStringList &kinds);
    ~ImportDialog() override;

    QString folder() const;
    QStringList kinds() const; // in offeredKinds() order

    void accept() override;

private:
    void chooseParent();
    void check();

    Ui::ImportDialog *ui;
    std::vector<QCheckBox *> boxes; // one per offered kind
};
