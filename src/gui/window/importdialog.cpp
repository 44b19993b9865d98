#include "importdialog.h"

#include "plaintext.h"
#include "ui_importdialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>

QStringList ImportDialog::offeredKinds()
{
    return {QStringLiteral("city"),          QStringLiteral("town"),
            QStringLiteral("village"),       QStringLiteral("hamlet"),
            QStringLiteral("suburb"),        QStringLiteral("quarter"),
            QStringLiteral("neighbourhood"), QStringLiteral("isolated_dwelling")};
}

ImportDialog::ImportDialog(QWidget *parent, const QString &extract, const QString &folder,
                           const QStringList &kinds)
    : QDialog(parent), ui(new Ui::ImportDialog)
{
    ui->setupUi(this);
    ui->labelExtract->setText(tr("Extract: %1").arg(QDir::toNativeSeparators(extract)));
    ui->lineEditFolder->setText(QDir::toNativeSeparators(folder));
    const QStringList names{
        tr("&Cities"),  tr("&Towns"),    tr("&Villages"),       tr("&Hamlets"),
        tr("&Suburbs"), tr("&Quarters"), tr("&Neighbourhoods"), tr("&Isolated dwellings")};
    const QStringList offered = offeredKinds();
    auto *grid = static_cast<QGridLayout *>(ui->groupBoxPlaces->layout());
    for (qsizetype k = 0; k < offered.size(); ++k) {
        auto *box = new QCheckBox(names[k], ui->groupBoxPlaces);
        box->setObjectName(QStringLiteral("checkBox_") + offered[k]);
        box->setToolTip(QStringLiteral("place=") + offered[k]);
        box->setChecked(kinds.contains(offered[k]));
        connect(box, &QCheckBox::toggled, this, &ImportDialog::check);
        grid->addWidget(box, int(k / 2), int(k % 2));
        boxes.push_back(box);
    }
    connect(ui->lineEditFolder, &QLineEdit::textChanged, this, &ImportDialog::check);
    connect(ui->pushButtonChoose, &QPushButton::clicked, this, &ImportDialog::chooseParent);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &ImportDialog::accept);
    check();
}

ImportDialog::~ImportDialog()
{
    delete ui;
}

QString ImportDialog::folder() const
{
    const QString typed = ui->lineEditFolder->text().trimmed();
    return typed.isEmpty() ? QString() : QDir::cleanPath(QDir::fromNativeSeparators(typed));
}

QStringList ImportDialog::kinds() const
{
    QStringList chosen;
    const QStringList offered = offeredKinds();
    for (std::size_t k = 0; k < boxes.size(); ++k)
        if (boxes[k]->isChecked())
            chosen << offered[qsizetype(k)];
    return chosen;
}

void ImportDialog::check()
{
    ui->buttonBox->button(QDialogButtonBox::Ok)
        ->setEnabled(!folder().isEmpty() && !kinds().isEmpty());
}

void ImportDialog::chooseParent()
{
    // The folder that holds the network's: the network keeps its own folder's name.
    const QFileInfo now(folder());
    const QString parent = QFileDialog::getExistingDirectory(
        this, tr("Put the network's folder in"), now.absolutePath());
    if (!parent.isEmpty())
        ui->lineEditFolder->setText(QDir::toNativeSeparators(QDir(parent).filePath(
            now.fileName().isEmpty() ? QStringLiteral("network") : now.fileName())));
}

void ImportDialog::accept()
{
    const QString chosen = folder();
    if (chosen.isEmpty() || kinds().isEmpty())
        return;
    const QFileInfo info(chosen);
    if (info.exists() && !info.isDir()) {
        plainMessage(this, QMessageBox::Warning, windowTitle(),
                     tr("%1 is a file, not a folder.").arg(QDir::toNativeSeparators(chosen)));
        return;
    }
    // Importing again into the same folder replaces its network, once the user says so.
    if (QFileInfo::exists(QDir(chosen).filePath(QStringLiteral("villes.csv")))) {
        QMessageBox box(
            QMessageBox::Question, windowTitle(),
            tr("%1 holds a network already. Replace it?").arg(QDir::toNativeSeparators(chosen)),
            QMessageBox::Yes | QMessageBox::No, this);
        box.setTextFormat(Qt::PlainText);
        box.setDefaultButton(QMessageBox::No);
        if (box.exec() != QMessageBox::Yes)
            return;
    }
    QDialog::accept();
}
