#!/usr/bin/env bash
# Makes a print service with a PDF-writing queue "PDF" available for the printing tests
# (run as root; in CI there is no systemd, so the scheduler is started directly).
# Prints the directory where the queue's PDF files land. Safe to run more than once.
set -euo pipefail

queue=PDF
outdir=/var/spool/cups-pdf/kvir
conf=/etc/cups/cups-pdf.conf

packages=(cups cups-bsd printer-driver-cups-pdf poppler-utils)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Every job's PDF goes to one fixed directory, whoever printed it.
mkdir -p "$outdir"
chmod 1777 "$outdir"
if [[ -f $conf ]]; then
    sed -i -E -e '/^[#[:space:]]*Out[[:space:]]/d' -e '/^[#[:space:]]*AnonDirName[[:space:]]/d' "$conf"
fi
printf 'Out %s\nAnonDirName %s\n' "$outdir" "$outdir" >>"$conf"

scheduler_up() { lpstat -r 2>/dev/null | grep -q "is running"; }

if ! scheduler_up; then
    if command -v systemctl >/dev/null 2>&1 && [[ -d /run/systemd/system ]]; then
        systemctl start cups
    else
        cupsd  # forks into the background
    fi
    for _ in $(seq 1 50); do
        scheduler_up && break
        sleep 0.2
    done
fi
scheduler_up || {
    echo "start-cups: the print scheduler did not start" >&2
    exit 1
}

if ! lpstat -v "$queue" >/dev/null 2>&1; then
    model=lsb/usr/cups-pdf/CUPS-PDF_opt.ppd
    if ! lpinfo -m 2>/dev/null | grep -q "^$model "; then
        model=$(lpinfo -m 2>/dev/null | grep -i 'cups-pdf' | head -n 1 | cut -d' ' -f1 || true)
    fi
    if [[ -z $model ]]; then
        echo "start-cups: no PDF printer model found (lpinfo -m)" >&2
        exit 1
    fi
    lpadmin -p "$queue" -E -v cups-pdf:/ -m "$model"
fi
# The default conversion of a PDF job to PostScript turns its fonts into glyphs without
# their characters; with pdftocairo the queue's PDF keeps the text (pdftotext reads it).
lpadmin -p "$queue" -o pdftops-renderer-default=pdftocairo
cupsenable "$queue"
cupsaccept "$queue"

echo "$outdir"
