#!/bin/sh
# A private CUPS scheduler for the window tests, started without systemd.
#
#   cups_env.sh start DIR [QUEUE]
#       start cupsd with everything under DIR, add a cups-pdf queue (named
#       QUEUE, default "Q") and make it the default; prints, one a line,
#       CUPS_SERVER=... (what clients must set), QUEUE=... and OUT=... (the
#       folder the queue writes its PDF files to)
#   cups_env.sh stop DIR
#       stop that scheduler and remove what start put outside DIR
#
# The scheduler listens on DIR/cups.sock only, so it never meets the system's
# own scheduler or its queues. cupsd runs filters and backends as "lp", so it
# has to be started as root. The cups-pdf backend reads its settings from
# /etc/cups only; the queue's device cups-pdf:/QUEUE gets a file of its own,
# /etc/cups/cups-pdf-QUEUE.conf, which sends its files to DIR/out (without it they go to the job owner's
# ~/PDF). Give each scheduler that may run at the same time its own QUEUE.
# Exit status 77 (and a message) when the scheduler cannot be had here.
set -u

skip() { echo "cups_env: $*" >&2; exit 77; }

command_arg=${1:-}
dir=${2:-}
[ -n "$command_arg" ] && [ -n "$dir" ] || { echo "usage: $0 start DIR [QUEUE] | stop DIR" >&2; exit 2; }

queue=${3:-Q}

case $command_arg in
stop)
  if [ -f "$dir/queue-conf" ]; then
    rm -f "$(cat "$dir/queue-conf")" "$dir/queue-conf"
  fi
  if [ -f "$dir/cupsd.pid" ]; then
    pid=$(cat "$dir/cupsd.pid")
    kill "$pid" 2>/dev/null
    # Wait (bounded) for it to go, so DIR can be removed.
    i=0
    while kill -0 "$pid" 2>/dev/null && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
    rm -f "$dir/cupsd.pid"
  fi
  exit 0
  ;;
start) ;;
*) echo "usage: $0 start DIR [QUEUE] | stop DIR" >&2; exit 2 ;;
esac

[ "$(id -u)" = 0 ] || skip "needs root to run cupsd"
[ -x /usr/sbin/cupsd ] || skip "cupsd is not installed (package cups)"
[ -x /usr/lib/cups/backend/cups-pdf ] || skip "the cups-pdf backend is not installed (package printer-driver-cups-pdf)"
ppd=lsb/usr/cups-pdf/CUPS-PDF_opt.ppd

mkdir -p "$dir/etc/ppd" "$dir/spool/tmp" "$dir/log" "$dir/cache" "$dir/state" || skip "cannot create $dir"
dir=$(cd "$dir" && pwd)
# cupsd (as lp) must reach the spool, and refuses world-writable folders.
chmod 755 "$dir" "$dir/etc" "$dir/log" "$dir/cache" "$dir/state"
chgrp lp "$dir/spool" "$dir/spool/tmp" 2>/dev/null
chmod 710 "$dir/spool"; chmod 1770 "$dir/spool/tmp"

cat > "$dir/etc/cups-files.conf" <<CONF
ServerRoot $dir/etc
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
User lp
Group lp
SystemGroup root
Printcap $dir/printcap
CONF
cat > "$dir/etc/cupsd.conf" <<CONF
Listen $dir/cups.sock
LogLevel info
Browsing No
WebInterface No
DefaultAuthType None
PreserveJobFiles Yes
PreserveJobHistory Yes
MaxJobs 0
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF

# In the foreground, detached from the caller's terminal and output, so the
# process id is known and the caller's pipes close when this script ends.
/usr/sbin/cupsd -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" \
  </dev/null >>"$dir/log/cupsd.out" 2>&1 &
echo $! > "$dir/cupsd.pid"

export CUPS_SERVER="$dir/cups.sock"
# The scheduler answers once its socket is up; give it ten seconds.
i=0
until [ "$(lpstat -r 2>/dev/null)" = "scheduler is running" ]; do
  i=$((i + 1))
  [ $i -le 100 ] || { "$0" stop "$dir"; skip "cupsd did not answer on $CUPS_SERVER (see $dir/log/error_log)"; }
  sleep 0.1
done
mkdir -p "$dir/out" && chmod 777 "$dir/out"
conf=/etc/cups/cups-pdf-$queue.conf
device=cups-pdf:/
if [ ! -e "$conf" ] && printf 'Out %s\nAnonDirName %s\nTitlePref 1\n' "$dir/out" "$dir/out" >"$conf" 2>/dev/null; then
  echo "$conf" > "$dir/queue-conf"
  device=cups-pdf:/$queue
fi
lpadmin -p "$queue" -E -v "$device" -m "$ppd" >"$dir/log/lpadmin.out" 2>&1 \
  || { "$0" stop "$dir"; skip "lpadmin could not add the cups-pdf queue"; }
lpadmin -d "$queue" >/dev/null 2>&1 || { "$0" stop "$dir"; skip "lpadmin could not make $queue the default"; }
echo "CUPS_SERVER=$CUPS_SERVER"
echo "QUEUE=$queue"
echo "OUT=$dir/out"
