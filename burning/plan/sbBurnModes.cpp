#include "sbBurnModes.h"

#include <QCoreApplication>
#include "sbDeviceTypes.h"

QString WriteMethodName(TsbWriteMethod method) {
  switch (method) {
    case TsbWriteMethod::DaoRaw: return QStringLiteral("Disc-At-Once raw P-W");
    case TsbWriteMethod::DaoPQ: return QStringLiteral("Disc-At-Once PQ");
    case TsbWriteMethod::SessionAtOnce: return QStringLiteral("Session-At-Once");
    case TsbWriteMethod::TrackAtOnce: break;
  }
  return QStringLiteral("Track-At-Once");
}

TsbBurnMode WriteMethodCode(TsbWriteMethod method, bool fromFile) {
  switch (method) {
    case TsbWriteMethod::DaoRaw: return fromFile ? bmDaoRawFromFile : bmDaoRawFromTree;
    case TsbWriteMethod::DaoPQ: return fromFile ? bmDaoPqFromFile : bmDaoPqFromTree;
    case TsbWriteMethod::SessionAtOnce: return fromFile ? bmSaoFromFile : bmSaoFromTree;
    case TsbWriteMethod::TrackAtOnce: break;
  }
  return fromFile ? bmTaoFromFile : bmTaoFromTree;
}

bool WriteMethodHasMode(TsbWriteMethod method, TsbBurnMode mode) {
  return mode == WriteMethodCode(method, true) || mode == WriteMethodCode(method, false);
}

std::vector<TsbWriteMethod> OfferedWriteMethods(const TsbWriteModes& modes, uint8_t discType,
                                                const TsbWriteMethodAllowance& allowed) {
  std::vector<TsbWriteMethod> offered;
  // DVD, BD and HD DVD media are written track by track only.
  const bool cd = !IsDVDDiscType(discType) && !IsBDDiscType(discType) && !IsHDDVDDiscType(discType);
  if (modes.CanDaoRaw && allowed.DiscAtOnceRaw && cd) offered.push_back(TsbWriteMethod::DaoRaw);
  if (modes.CanDaoPQ && allowed.DiscAtOncePQ && cd) offered.push_back(TsbWriteMethod::DaoPQ);
  if (modes.CanSAO && allowed.SessionAtOnce && cd) offered.push_back(TsbWriteMethod::SessionAtOnce);
  if (modes.CanTAO && allowed.TrackAtOnce) offered.push_back(TsbWriteMethod::TrackAtOnce);
  return offered;
}

bool IsDiscAtOnceMode(TsbBurnMode mode) {
  return mode == bmDaoPqFromTree || mode == bmDaoRawFromTree || mode == bmDaoPqFromFile || mode == bmDaoRawFromFile;
}

QString NoBurningModeText(const QString& product, uint8_t discType) {
  const QString device = product.trimmed();
  const QString disc = DiscTypeName(discType, true);
  return QCoreApplication::translate("sbBurnModes", "This device%1 offers no burning mode for the inserted disc%2")
      .arg(device.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(device),
           disc.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(disc));
}
