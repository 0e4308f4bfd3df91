// The action that checks the image against its line in a checksum file before
// the burn: a damaged download is refused before the disc is touched.
#pragma once

#include <QString>

#include "sbActions.h"

class TsbImageChecksumAction : public TsbAction {
 public:
  QString ChecksumFile;

  // Raises TsbError on a mismatch (naming both checksums), a file without a
  // line for the image, or a cancel; the burn after it then does not run.
  void Execute(TsbActionItem* item) override;
};
