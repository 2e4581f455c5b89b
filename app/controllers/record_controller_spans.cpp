// After a failed record: a mark can lie where the source has only its
// picture or only its sound (the streams of a file may begin and end
// seconds apart), and no cut can be made there. Says so, with the times.
#include <QFileInfo>
#include <algorithm>
#include <cmath>

#include "app/controllers/record_controller.h"
#include "app/shell/editor_session.h"
#include "app/shell/messages.h"
#include "engine/analysis/stream_info.h"

namespace cw::app {

namespace {

// Picture and sound that begin or end this close together are cut together.
constexpr double kApart = 0.1;

QString seconds(double value) { return QString::number(value, 'f', 3) + QStringLiteral(" s"); }

}  // namespace

QStringList RecordController::streamSpanNotice(const ClipRecord& clip, double markIn,
                                               double markOut) {
  if (!clip.info) return {};
  const StreamSpans spans = streamSpans(clip.info->info());
  if (!spans.known) return {};
  const double start = std::max(spans.videoStart, spans.audioStart);
  const double end = std::min(spans.videoEnd, spans.audioEnd);
  const bool beforeStart =
      std::fabs(spans.audioStart - spans.videoStart) > kApart && std::min(markIn, markOut) < start;
  const bool beyondEnd =
      std::fabs(spans.audioEnd - spans.videoEnd) > kApart && std::max(markIn, markOut) > end;
  if (!beforeStart && !beyondEnd) return {};
  QStringList lines{QStringLiteral("In ") + clip.displayName() + QLatin1Char(':')};
  if (beforeStart) {
    lines << QStringLiteral("the picture begins at ") + seconds(spans.videoStart) +
                 QStringLiteral(", the sound at ") + seconds(spans.audioStart) + QLatin1Char('.');
  }
  if (beyondEnd) {
    lines << QStringLiteral("the picture ends at ") + seconds(spans.videoEnd) +
                 QStringLiteral(", the sound at ") + seconds(spans.audioEnd) + QLatin1Char('.');
  }
  lines << QStringLiteral("Both run from ") + seconds(start) + QStringLiteral(" to ") +
               seconds(end) + QStringLiteral(": please put Mark In and Mark Out there.");
  return lines;
}

}  // namespace cw::app
