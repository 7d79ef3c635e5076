#pragma once
// Names of the temporary files and work folders the engine writes during a
// conversion, free output names, folder creation, and files written whole or
// not at all. Apart from its own temporary file after a failed write, nothing
// here deletes files: whoever asks for a path removes what it writes there.
#include <optional>
#include <string>
#include <string_view>

namespace vq {

class VQPDFPathUtilities {
 public:
  VQPDFPathUtilities() = delete;

  // The per-user private temporary folder: $TMPDIR (or /tmp) joined with
  // "vqpapyrant-<uid>", made with mode 0700 when missing. When that name is
  // taken by a symlink, by a folder of another user or by a folder others may
  // write to, a fresh private folder (mkdtemp) is used for the rest of the
  // process instead, and removed when the process ends if it is empty then.
  // Always returns a path; the folder exists unless the
  // file system refused every attempt (then a diagnostic line is reported).
  static std::string temporaryRoot();

  // temporaryRoot() + "/Temp-<UUID>" (not created).
  static std::string tempFolder();

  // temporaryRoot() + "/IMG_<name>_<UUID>.<ext>", or "/IMG_<UUID>.<ext>" when
  // `name` is empty; `pathExtension` is used in its own case, "PNG" when empty.
  static std::string tempIMG(const std::string& name = {}, const std::string& pathExtension = {});

  // `path` with "-<UUID>" inserted before its extension (appended when it has
  // none). The disk is not consulted.
  static std::string getUUIDPathBy(const std::string& path);

  // The first of `path`, then <stem>2.<ext>, <stem>3.<ext>, ... at which
  // nothing exists (not even a dangling symlink). Not atomic.
  static std::string getNewPathby(const std::string& path);

  // True when a folder exists at `path`; otherwise creates it with its missing
  // parents and returns whether that worked (when it did not, the folders it
  // made are removed again). A file at `path` gives false.
  // When `path` lies inside the temporary root, the root is made first, with
  // its private mode.
  static bool createFolderIfNeed(const std::string& path);

  // A name for a work file or folder in the folder of `destination`,
  // ".vqpapyrant-<UUID>.tmp": hidden, ours alone, and short whatever the
  // destination's own name (a legal long name plus a suffix would not be).
  static std::string temporarySiblingName(const std::string& destination);

  // Creates a new, empty file beside `destination` (temporarySiblingName),
  // opened with O_EXCL (the name is ours alone) and with the usual
  // permissions of the process, and returns its path; nothing when the folder
  // refuses. Whoever asks renames it over the destination or removes it.
  static std::optional<std::string> makeTemporarySibling(const std::string& destination);

  // Writes `bytes` into a temporary sibling of `path` and renames it over
  // `path`, so that `path` holds either all of `bytes` or what it held before.
  // False when writing or renaming fails; the temporary file is gone then.
  static bool writeFileAtomically(const std::string& path, std::string_view bytes);

  // Puts `fresh` (a file or folder beside `destination`, on its file system)
  // at `destination`, whatever was there (a file, or a folder of an earlier
  // output), in one step where the system allows it: `destination` holds
  // either the old or the new content. What was there is then removed.
  // False, with `fresh` removed and `destination` as it was, when it fails.
  static bool replaceWith(const std::string& fresh, const std::string& destination);

  // Why no output can be put at `destination`, or nothing when it can. The
  // folder the output lands in must exist and let this process add and
  // rename entries: for a file, the folder holding it (the file is written
  // beside it and renamed over it); for a folder of files (`intoFolder`),
  // `destination` itself when it is a folder, else the nearest existing
  // folder above it (the missing ones are made). A device or FIFO takes a
  // document as it is, and no folder of files. Asked once before
  // converting, so an unwritable folder is named rather than found out page
  // by page or after the whole document was converted.
  static std::optional<std::string> unwritableDestination(const std::string& destination, bool intoFolder);
};

}  // namespace vq
