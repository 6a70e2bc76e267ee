#!/usr/bin/env bash
# Renders a written workbook with LibreOffice (when installed) and looks for a station in the
# K-format exactly as a surveyor sees it on screen: 1234.5 with "K0+000.000" reads K1+234.500.
# Usage: check_libreoffice.sh SAMPLE_PROGRAM WORK_DIR. Exit 77 (skipped) without LibreOffice.
set -euo pipefail
sample=$1
work=$2
soffice=$(command -v soffice || command -v libreoffice || true)
if [ -z "$soffice" ]; then
    echo "LibreOffice is not installed: skipped"
    exit 77
fi
rm -rf "$work"
mkdir -p "$work/profile"
"$sample" "$work"
# CSV of every sheet (the last filter option, -1), cells as shown (the "true" before it).
timeout 120 "$soffice" -env:UserInstallation="file://$work/profile" --headless \
    --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true,false,false,-1' \
    --outdir "$work" "$work/model.xlsx" >/dev/null 2>&1
shown="$work/model-Sheet1.csv"
for expected in ',K1+234.500,' ',K1+234,'; do
    if ! grep -qF -- "$expected" "$shown"; then
        echo "$expected not found in LibreOffice's rendering:" >&2
        head -n 5 "$shown" >&2
        exit 1
    fi
done
echo "LibreOffice shows K1+234.500 and K1+234"
