#!/usr/bin/env bash
# Builds the library and runs the example host on the URLs given, or on a set of sample URLs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target ferrywise-cli
if [ $# -eq 0 ]; then
  sample="$(mktemp -d)"
  trap 'rm -rf "$sample"' EXIT
  page="$sample/welcome.html"
  echo '<html><body>Hello</body></html>' >"$page"
  set -- "HTTPS://Example.COM/docs?utm_source=mail" "https://blog.example.com/2026/" "https://old.example.net/" \
         "https://work.example.org/board" "http://[::1]:8080/" "mailto:someone@example.org?subject=Hi" \
         "mailto:user@" "file://$page" "ftp://example.com/file" "not a url" \
         "https://youtu.be/dQw4w9WgXcQ?t=42&fbclid=IwAR3" "x-webdoc://A1B2/news.example.org/today?ref=doc" \
         "https://examp1e.com/login" "https://www.example.com@evil.example/" "https://xn--pypal-4ve.com/" \
         "http://192.168.0.1/admin"
fi
# The example reports refused URLs with exit status 1; that is part of the demonstration, not a failure.
build/dev/app/ferrywise-links "$@" || [ $? -eq 1 ]
