#pragma once
// The output folder the user picked. Linux has no sandbox, so the folder is
// stored as a plain absolute path under the bookmark key; it "resolves" when
// a folder still exists there, and access means the user may list it and
// create files in it.
#include <QString>

namespace vq::app {

class VQSandBoxUtilities {
 public:
  // The stored folder when it still exists, else a null string.
  static QString UserSelectedOutputURLBookmark();
  static bool isReadAndWritableUserSelectedOutputURLBookmark();
  // Stores `folder` (made absolute); false for an empty path or a store that
  // cannot be written, in which case the stored folder stays as it was.
  static bool SaveUserSelectedOutputURLBookmark(const QString& folder);
  static bool RemoveUserSelectedOutputURLBookmark();
  static bool isReadAndWritableUserSelectedOutputURL(const QString& folder);
  // Where new outputs go: the chosen folder, else "Downloads" in the home
  // folder (made when missing).
  static QString outputFolder();
};

}  // namespace vq::app
