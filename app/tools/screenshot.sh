#!/usr/bin/env bash
# Builds the application and saves pictures of its window into docs/:
# vellumate.png (converted files, a failed one with its reason, one waiting)
# and vellumate-progress.png (a batch in progress). Uses Xvfb when it is
# installed, otherwise Qt's offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/build >/dev/null
mkdir -p docs
if command -v xvfb-run >/dev/null; then
  xvfb-run -a -s "-screen 0 1280x800x24" build/app/tools/vellumate_screenshot docs
else
  QT_QPA_PLATFORM=offscreen build/app/tools/vellumate_screenshot docs
fi
echo "saved docs/vellumate.png and docs/vellumate-progress.png"
