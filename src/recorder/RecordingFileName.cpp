#include "recorder/RecordingFileName.h"

namespace gm {

QString RecordingFileName::make(const QString& prefix, const QDateTime& localTime, int number) {
  QString safePrefix = prefix;
  safePrefix.replace('/', '_').replace(QChar(0), '_');
  const QString stamp = localTime.toString("yyyyMMdd-HHmmss");
  const QString suffix = number > 1 ? QString("-%1").arg(number) : QString();
  return safePrefix + '-' + stamp + suffix + ".wav";
}

}  // namespace gm
