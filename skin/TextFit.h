// Texts sized from the font's metrics rather than from the font the layout
// tables were drawn for: a smaller font when a box is too narrow for what it
// shows.
#pragma once

#include <QFont>
#include <QStringList>

namespace ralu::skin {

// The font, shrunk by half points until every text fits in width pixels
// (and its lines in height pixels, when given); never below smallest points
// (the texts may then still be cut).
QFont fittingFont(QFont font, const QStringList &texts, int width, qreal smallest = 6.5, int height = 0);

} // namespace ralu::skin
