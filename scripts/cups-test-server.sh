#!/usr/bin/env bash
# A private CUPS server with test queues, apart from the machine's own CUPS: every path
# lies under one temporary folder and clients reach it through CUPS_SERVER=<dir>/cups.sock.
#
#   scripts/cups-test-server.sh start DIR   start it (needs root); prints nothing on success
#   scripts/cups-test-server.sh stop DIR    stop it by the PID recorded in DIR/cupsd.pid
#
# Queues (file: devices, the job's PDF lands in DIR/out/<queue>.pdf as sent):
#   qm-a4-600      A4 by default, 600 dpi by default, 12 pt margins (the default queue)
#   qm-letter-300  Letter by default, 300 dpi by default, 18 pt margins left and right,
#                  30 pt at the top and bottom
#   qm-a4-1200     A4 by default, 1200 dpi by default, 12 pt margins
set -euo pipefail

cmd=${1:?start or stop}
dir=${2:?folder}

# A PostScript PPD that takes PDF as it is, so the file: device receives the PDF that the
# program sent. Arguments: name, default page size, default resolution, left and right
# margin in points, top and bottom margin in points.
write_ppd() {
  local name=$1 page=$2 dpi=$3 m=$4 t=$5
  cat <<EOF
*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "QMTEST.PPD"
*Manufacturer: "Quillmark Test"
*Product: "(Quillmark Test Printer)"
*ModelName: "Quillmark Test $name"
*ShortNickName: "Quillmark Test $name"
*NickName: "Quillmark Test $name"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: True
*DefaultColorSpace: RGB
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsFilter: "application/pdf 0 gziptoany"
*OpenUI *PageSize/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: $page
*PageSize A4/A4: "<</PageSize[595 842]/ImagingBBox null>>setpagedevice"
*PageSize Letter/US Letter: "<</PageSize[612 792]/ImagingBBox null>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: $page
*PageRegion A4/A4: "<</PageSize[595 842]/ImagingBBox null>>setpagedevice"
*PageRegion Letter/US Letter: "<</PageSize[612 792]/ImagingBBox null>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: $page
*ImageableArea A4/A4: "$m $t $((595 - m)) $((842 - t))"
*ImageableArea Letter/US Letter: "$m $t $((612 - m)) $((792 - t))"
*DefaultPaperDimension: $page
*PaperDimension A4/A4: "595 842"
*PaperDimension Letter/US Letter: "612 792"
*OpenUI *Resolution/Resolution: PickOne
*OrderDependency: 10 AnySetup *Resolution
*DefaultResolution: ${dpi}dpi
*Resolution 300dpi/300 DPI: "<</HWResolution[300 300]>>setpagedevice"
*Resolution 600dpi/600 DPI: "<</HWResolution[600 600]>>setpagedevice"
*Resolution 1200dpi/1200 DPI: "<</HWResolution[1200 1200]>>setpagedevice"
*CloseUI: *Resolution
*DefaultFont: Courier
*Font Courier: Standard "(002.004S)" Standard ROM
EOF
}

start() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "cups-test-server: needs root to run cupsd" >&2
    return 1
  fi
  mkdir -p "$dir"/{etc/ppd,spool/tmp,tmp,cache,state,log,out,home,ppd}
  # Filters run as lp: they must reach the folder (mktemp makes it private).
  chmod 0755 "$dir"
  chmod 0777 "$dir/out"
  chmod 0711 "$dir/spool"
  cat >"$dir/etc/cupsd.conf" <<EOF
Listen $dir/cups.sock
Browsing No
BrowseLocalProtocols none
WebInterface No
DefaultShared No
LogLevel warn
MaxLogSize 0
DefaultAuthType None
PreserveJobFiles No
PreserveJobHistory Yes
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  JobPrivateAccess default
  JobPrivateValues default
  SubscriptionPrivateAccess default
  SubscriptionPrivateValues default
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
  cat >"$dir/etc/cups-files.conf" <<EOF
ServerRoot $dir/etc
RequestRoot $dir/spool
TempDir $dir/tmp
CacheDir $dir/cache
StateDir $dir/state
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
Printcap $dir/printcap
FileDevice Yes
User lp
Group lp
SystemGroup root
Sandboxing Relaxed
EOF
  touch "$dir/etc/printers.conf" "$dir/etc/classes.conf"
  cupsd -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" >"$dir/log/cupsd.out" 2>&1 &
  echo $! >"$dir/cupsd.pid"

  export CUPS_SERVER=$dir/cups.sock HOME=$dir/home
  local i
  for i in $(seq 1 100); do
    if lpstat -r 2>/dev/null | grep -q "is running"; then
      break
    fi
    if ! kill -0 "$(cat "$dir/cupsd.pid")" 2>/dev/null; then
      echo "cups-test-server: cupsd did not start:" >&2
      cat "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null || true
      return 1
    fi
    sleep 0.05
  done
  lpstat -r 2>/dev/null | grep -q "is running" || { echo "cups-test-server: no answer" >&2; return 1; }

  local q page dpi m t out
  while read -r q page dpi m t; do
    write_ppd "$q" "$page" "$dpi" "$m" "$t" >"$dir/ppd/$q.ppd"
    # lpadmin warns that PPD drivers are deprecated; only a failure is worth showing.
    if ! out=$(lpadmin -p "$q" -E -v "file://$dir/out/$q.pdf" -P "$dir/ppd/$q.ppd" 2>&1); then
      echo "cups-test-server: lpadmin $q: $out" >&2
      return 1
    fi
  done <<EOF
qm-a4-600 A4 600 12 12
qm-letter-300 Letter 300 18 30
qm-a4-1200 A4 1200 12 12
EOF
  lpadmin -d qm-a4-600
}

stop() {
  [ -f "$dir/cupsd.pid" ] || return 0
  local pid
  pid=$(cat "$dir/cupsd.pid")
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  rm -f "$dir/cupsd.pid"
}

case $cmd in
start) start ;;
stop) stop ;;
*) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
