#!/usr/bin/env bash
# Builds the application and saves a picture of its window with a few
# converted files as docs/vellumate.png. Uses Xvfb when it is installed,
# otherwise Qt's offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/build >/dev/null
mkdir -p docs
if command -v xvfb-run >/dev/null; then
  xvfb-run -a -s "-screen 0 1280x800x24" build/app/tools/vellumate_screenshot docs/vellumate.png
else
  QT_QPA_PLATFORM=offscreen build/app/tools/vellumate_screenshot docs/vellumate.png
fi
echo "saved docs/vellumate.png"
