#include "sbBurnModes.h"

#include <QCoreApplication>
#include "sbDeviceTypes.h"

QString BurnModeName(TsbBurnModeKind method) {
  switch (method) {
    case TsbBurnModeKind::DaoRaw: return QStringLiteral("Disc-At-Once raw P-W");
    case TsbBurnModeKind::DaoPQ: return QStringLiteral("Disc-At-Once PQ");
    case TsbBurnModeKind::SessionAtOnce: return QStringLiteral("Session-At-Once");
    case TsbBurnModeKind::TrackAtOnce: break;
  }
  return QStringLiteral("Track-At-Once");
}

TsbBurnMode BurnModeCode(TsbBurnModeKind method, bool fromFile) {
  switch (method) {
    case TsbBurnModeKind::DaoRaw: return fromFile ? bmDaoRawFromFile : bmDaoRawFromTree;
    case TsbBurnModeKind::DaoPQ: return fromFile ? bmDaoPqFromFile : bmDaoPqFromTree;
    case TsbBurnModeKind::SessionAtOnce: return fromFile ? bmSaoFromFile : bmSaoFromTree;
    case TsbBurnModeKind::TrackAtOnce: break;
  }
  return fromFile ? bmTaoFromFile : bmTaoFromTree;
}

bool BurnModeKindHasMode(TsbBurnModeKind method, TsbBurnMode mode) {
  return mode == BurnModeCode(method, true) || mode == BurnModeCode(method, false);
}

std::vector<TsbBurnModeKind> OfferedBurnModes(const TsbWriteModes& modes, uint8_t discType,
                                              const TsbBurnModeAllowance& allowed) {
  std::vector<TsbBurnModeKind> offered;
  // DVD, BD and HD DVD media are written track by track only.
  const bool cd = !IsDVDDiscType(discType) && !IsBDDiscType(discType) && !IsHDDVDDiscType(discType);
  if (modes.CanDaoRaw && allowed.DiscAtOnceRaw && cd) offered.push_back(TsbBurnModeKind::DaoRaw);
  if (modes.CanDaoPQ && allowed.DiscAtOncePQ && cd) offered.push_back(TsbBurnModeKind::DaoPQ);
  if (modes.CanSAO && allowed.SessionAtOnce && cd) offered.push_back(TsbBurnModeKind::SessionAtOnce);
  if (modes.CanTAO && allowed.TrackAtOnce) offered.push_back(TsbBurnModeKind::TrackAtOnce);
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
