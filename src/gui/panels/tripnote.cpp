#include "tripnote.h"

#include "plaintext.h"
#include "routetable.h"

#include <cmath>

TripNote::TripNote(QWidget *parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("labelTrip"));
    // In the left panel's free room, between the route commands and the tables.
    setGeometry(12, 302, 128, 92);
    setWordWrap(true);
    setTextFormat(Qt::PlainText); // names as typed
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    hide();
}

void TripNote::showTrip(const std::optional<RoutePlan::TripResult> &trip, const QString &unit)
{
    if (!trip) {
        hide();
        return;
    }
    QStringList lines{trip->proven ? tr("Best order:") : tr("Best order found (not proven):")};
    if (trip->fewerMissingLegs > 0)
        lines << (trip->fewerMissingLegs == 1
                      ? tr("one leg fewer without a road than in the order typed.")
                      : tr("%1 legs fewer without a road than in the order typed.")
                            .arg(trip->fewerMissingLegs));
    else if (trip->saves > 0)
        lines << tr("saves %1 on the order typed.").arg(formatDuration(trip->saves, unit));
    else
        lines << tr("the order typed was as fast.");
    if (!trip->unreachable.isEmpty())
        lines << tr("No road reaches %1.").arg(trip->unreachable.join(QStringLiteral(", ")));
    if (!trip->repeated.isEmpty())
        lines
            << tr("Typed twice, visited once: %1.").arg(trip->repeated.join(QStringLiteral(", ")));
    const QString text = lines.join(u' ');
    setText(text);
    setToolTip(plainToolTip(text));
    setAccessibleName(text);
    show();
    raise();
}
