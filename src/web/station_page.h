#pragma once

#include "content/network_song_source.h"

#include <QJsonObject>

namespace zorvan {

class Station;

// What a receiver shows now and what the driver knows of the song and the
// link, as one JSON document: the GET /status API and the web page's data.
// The labels are those on the board with their delays in seconds (labels
// with delay 0 are not shown by the board); "programme" stays null until
// programmes exist.
QJsonObject statusDocument(const Station &station);

// The web page and /status for the HTTP listener. A view: it reads the
// station and changes nothing.
NetworkView stationPageView(const Station &station);

} // namespace zorvan
