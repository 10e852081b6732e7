#!/bin/bash
# Checks the local demo provider end to end with SIPp as every SIP party:
# starts Kamailio + the answering far end in a temporary run folder, runs
# registrations and calls through it, checks Kamailio's log, stops it all.
# Exit code 0 only when every check passes. Needs udp 127.0.0.1:5060, 5070,
# 5072 and 5080 free. Usage: scripts/provider-selftest.sh [-k] (-k keeps the
# run folder for inspection).
set -uo pipefail

HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
SIPP_DIR="$HERE/sipp"
PROVIDER="$HERE/provider.sh"
PROXY=127.0.0.1:5060
STANDIN_PORT=5072          # SIPp standing in for a registered Ralu client
PW1003='p"w<&>'"'"'d'      # exactly as in the subscriber table

KEEP=0
[[ "${1:-}" == "-k" ]] && KEEP=1

RUN="$(mktemp -d /tmp/ralu-provider-selftest.XXXXXX)"
OUT="$RUN/sipp"
mkdir -p "$OUT"
LOG="$RUN/kamailio.log"
STANDIN_PID=""
PASSED=0
FAILED=0

cleanup() {
    if [[ -n "$STANDIN_PID" ]] && kill -0 "$STANDIN_PID" 2>/dev/null; then
        kill -TERM "$STANDIN_PID" 2>/dev/null
        wait "$STANDIN_PID" 2>/dev/null
    fi
    "$PROVIDER" stop "$RUN" >/dev/null 2>&1
    if ((KEEP)); then
        echo "run folder kept: $RUN"
    else
        rm -rf "$RUN"
    fi
}
trap cleanup EXIT

ok() { echo "ok - $1"; PASSED=$((PASSED + 1)); }
fail() {
    echo "FAIL - $1"
    FAILED=$((FAILED + 1))
    [[ -n "${2:-}" && -s "$2" ]] && sed 's/^/    | /' "$2" | tail -n 25
}

# sipp_run NAME SCENARIO ARGS... : runs one SIPp client to completion
# (bounded to 20 s); its error trace goes to $OUT/NAME.err.
sipp_run() {
    local name="$1" scen="$2"; shift 2
    sipp -sf "$SIPP_DIR/$scen" -i 127.0.0.1 -m 1 -nostdin \
        -timeout 20s -timeout_error \
        -trace_err -error_file "$OUT/$name.err" \
        -trace_logs -log_file "$OUT/$name.log" \
        "$@" "$PROXY" >"$OUT/$name.out" 2>&1
}

# expect_pass NAME SCENARIO ARGS...
expect_pass() {
    local name="$1"
    if sipp_run "$@"; then ok "$name"; else fail "$name (sipp exit $?)" "$OUT/$name.err"; fi
}

# expect_fail NAME SCENARIO ARGS... : the scenario must NOT complete.
expect_fail() {
    local name="$1"
    if sipp_run "$@"; then fail "$name (completed, but must not)" "$OUT/$name.log"; else ok "$name"; fi
}

# A SIPp UAS on $STANDIN_PORT standing in for a registered client; handles
# exactly one call. start_standin SCENARIO [ARGS...]
start_standin() {
    local scen="$1" i; shift
    sipp -sf "$SIPP_DIR/$scen" -i 127.0.0.1 -p "$STANDIN_PORT" -mi 127.0.0.1 -mp 16100 \
        -m 1 -nostdin -timeout 20s -timeout_error \
        -trace_err -error_file "$OUT/standin-${scen%.xml}.err" \
        "$@" </dev/null >/dev/null 2>&1 &
    STANDIN_PID=$!
    for ((i = 0; i < 100; i++)); do
        ss -Hlun "src 127.0.0.1:$STANDIN_PORT" | grep -q . && return 0
        sleep 0.05
    done
    return 1
}

# finish_standin NAME : the stand-in must have completed its one call
# (within 5 s of the caller's end: its scenarios linger 2 s at most).
finish_standin() {
    local name="$1" rc i
    for ((i = 0; i < 50; i++)); do
        kill -0 "$STANDIN_PID" 2>/dev/null || break
        sleep 0.1
    done
    kill -TERM "$STANDIN_PID" 2>/dev/null
    wait "$STANDIN_PID"; rc=$?
    STANDIN_PID=""
    if ((rc == 0)); then ok "$name"; else fail "$name (stand-in sipp exit $rc)" "$(ls "$OUT"/standin-*.err 2>/dev/null | tail -n 1)"; fi
}

# log_has NAME EXTENDED-REGEX : Kamailio's log must contain a match.
log_has() {
    if grep -Eq -- "$2" "$LOG"; then ok "$1"; else fail "$1 (no /$2/ in kamailio.log)"; fi
}
log_lacks() {
    if grep -Eq -- "$2" "$LOG"; then fail "$1 (found /$2/ in kamailio.log)"; else ok "$1"; fi
}

# record CALLID METHOD : prints the logged request (between the RALU-SIP-IN
# line and RALU-SIP-END) whose Call-ID is CALLID, CRs removed.
record() {
    awk -v cid="$1" -v m="$2" '
        /RALU-SIP-IN / { inrec = 1; buf = ""; hit = 0; meth = $0; sub(/.*RALU-SIP-IN [^ ]+ /, "", meth); sub(/ .*/, "", meth); next }
        inrec && /^RALU-SIP-END\r?$/ { if (hit && meth == m) { printf "%s", buf; exit } inrec = 0; next }
        inrec { line = $0; sub(/\r$/, "", line); buf = buf line "\n"; if (line == "Call-ID: " cid) hit = 1 }
    ' "$LOG"
}

command -v sipp >/dev/null || { echo "sipp missing (scripts/install-deps.sh)"; exit 1; }
start_s=$SECONDS

if ! "$PROVIDER" start "$RUN" --far-end; then
    echo "FAIL - provider did not start"
    echo "0 passed, 1 failed"
    exit 1
fi
ok "provider starts (kamailio + far end)"

# --- a second start must refuse while the port is taken
if "$PROVIDER" start "$RUN/second" >"$OUT/second.out" 2>&1; then
    "$PROVIDER" stop "$RUN/second" >/dev/null 2>&1
    fail "second start refused while 5060 is busy"
else
    grep -q "already listens" "$OUT/second.out" && ok "second start refused while 5060 is busy" \
        || fail "second start refused while 5060 is busy (no clear message)" "$OUT/second.out"
fi

# --- registrations
expect_pass "register 1001 (600 s granted)" register.xml -au 1001 -ap demo1001 -set user 1001
expect_pass "register 1002 (600 s granted)" register.xml -au 1002 -ap demo1002 -set user 1002
expect_pass "register 1003 with XML special characters in the password" \
    register.xml -au 1003 -ap "$PW1003" -set user 1003
expect_fail "register 1003 with the password cut short fails" \
    register.xml -au 1003 -ap "${PW1003%d}" -set user 1003
expect_pass "register 1001 with a wrong password gets 401 again" register-badauth.xml -au 1001 -ap demo1002
expect_pass "register 1003 with the XML-escaped password gets 401" \
    register-badauth.xml -au 1003 -ap 'p&quot;w&lt;&amp;&gt;&apos;d' -set user 1003
expect_pass "unregister 1003" unregister.xml -au 1003 -ap "$PW1003" -set user 1003

# --- outgoing calls from an account (407 challenge) to the telephone network
expect_pass "1001 calls 5551234: 407, then answered by the far end" \
    uac-call-auth.xml -mi 127.0.0.1 -mp 17100 -s 5551234 -au 1001 -ap demo1001 -set user 1001 \
    -set talk_ms 300 -cid_str "selftest-out@127.0.0.1"
log_has "the INVITE was challenged with 407" \
    "RALU-SIP-LOCAL 407 INVITE selftest-out@127.0.0.1 "
log_has "the authenticated INVITE went to the far end" \
    "RALU-SIP-RELAY INVITE selftest-out@127.0.0.1 sip:127.0.0.1:5070$"
log_has "the far end's 200 OK was logged" \
    "RALU-SIP-REPLY 127.0.0.1:5070 200 OK"
if grep -q "Call-ID: selftest-out@127.0.0.1" "$RUN/farend-messages.log" 2>/dev/null; then
    ok "the far end saw the call"
else
    fail "the far end saw the call" "$RUN/farend-errors.log"
fi
expect_pass "1003 calls 5550000: the far end takes a second call" \
    uac-call-auth.xml -mi 127.0.0.1 -mp 17100 -s 5550000 -au 1003 -ap "$PW1003" -set user 1003 \
    -set talk_ms 300
expect_fail "1001 calling with a wrong password is never connected" \
    uac-call-auth.xml -mi 127.0.0.1 -mp 17100 -s 5551234 -au 1001 -ap wrong -set user 1001 \
    -recv_timeout 3000 -cid_str "selftest-badpw@127.0.0.1"
log_lacks "... and never relayed" "RALU-SIP-RELAY INVITE selftest-badpw@"
expect_fail "1001 calling with From 1002 is refused" \
    uac-call-auth.xml -mi 127.0.0.1 -mp 17100 -s 5551234 -au 1001 -ap demo1001 -set user 1002 \
    -recv_timeout 3000 -cid_str "selftest-spoof@127.0.0.1"
log_has "... with 403" "RALU-SIP-LOCAL 403 INVITE selftest-spoof@127.0.0.1 "

# --- calls from the telephone network gateway (port 5080, not challenged)
GW=(-p 5080 -mi 127.0.0.1 -mp 17000)
expect_pass "gateway calls 1003 (not registered): 480" \
    caller-expect-unavailable.xml "${GW[@]}" -s 1003 -cid_str "selftest-gw480@127.0.0.1"
log_lacks "gateway INVITE not challenged" "RALU-SIP-LOCAL 407 INVITE selftest-gw"
expect_fail "gateway calls 5559999 (no such account) is not answered" \
    caller-answered.xml "${GW[@]}" -s 5559999 -recv_timeout 3000 -cid_str "selftest-gw404@127.0.0.1"
log_has "... with 404" "RALU-SIP-LOCAL 404 INVITE selftest-gw404@127.0.0.1 "

# 1002 registered with its contact on the stand-in's port
expect_pass "register 1002 at the stand-in's port" \
    register.xml -au 1002 -ap demo1002 -set user 1002 -set contact_port "$STANDIN_PORT"

if start_standin farend-answer.xml -set ring_ms 200; then
    expect_pass "gateway calls 1002: answered, caller hangs up" \
        caller-answered.xml "${GW[@]}" -s 1002 -set talk_ms 300 -set caller_name "Ann Example" \
        -cid_str "selftest-gw-ans@127.0.0.1"
    finish_standin "1002 received that call"
    rec="$(record selftest-gw-ans@127.0.0.1 INVITE)"
    if grep -q '^From: "Ann Example" <sip:5550100@127.0.0.1>;tag=' <<<"$rec" \
        && grep -q '^m=audio 17000 RTP/AVP 0 101$' <<<"$rec" \
        && grep -q '^INVITE sip:1002@127.0.0.1 SIP/2.0$' <<<"$rec"; then
        ok "the gateway INVITE is logged whole (request line, From, SDP)"
    else
        fail "the gateway INVITE is logged whole"; printf '%s\n' "$rec" | sed 's/^/    | /'
    fi
else
    fail "stand-in UAS did not start"
fi

if start_standin farend-hangup.xml -set ring_ms 200 -set hangup_ms 500; then
    expect_pass "gateway calls 1002: answered, callee hangs up" \
        caller-wait-bye.xml "${GW[@]}" -s 1002
    finish_standin "1002 hung up that call"
else
    fail "stand-in UAS did not start"
fi

if start_standin farend-noanswer.xml; then
    expect_pass "gateway calls 1002 and cancels while ringing" \
        caller-cancel.xml "${GW[@]}" -s 1002 -set ring_ms 300
    finish_standin "1002 saw the CANCEL"
else
    fail "stand-in UAS did not start"
fi

if start_standin farend-busy.xml -set ring_ms 200; then
    expect_pass "gateway calls 1002, who declines: 486" \
        caller-expect-busy.xml "${GW[@]}" -s 1002
    finish_standin "1002 declined that call"
else
    fail "stand-in UAS did not start"
fi

# out-of-turn requests at the stand-ins (the caller gives up first)
if start_standin farend-answer.xml -set ring_ms 3000; then
    expect_pass "gateway cancels while 1002 (answering after 3 s) still rings" \
        caller-cancel.xml "${GW[@]}" -s 1002 -set ring_ms 300
    finish_standin "1002 answered the CANCEL with 200 + 487"
else
    fail "stand-in UAS did not start"
fi
if start_standin farend-hangup.xml -set ring_ms 100 -set hangup_ms 5000; then
    expect_pass "gateway hangs up before 1002 (hanging up after 5 s) does" \
        caller-answered.xml "${GW[@]}" -s 1002 -set talk_ms 300
    finish_standin "1002 answered the early BYE with 200"
else
    fail "stand-in UAS did not start"
fi

if start_standin farend-answer.xml -set ring_ms 100; then
    expect_pass "1001 calls registered 1002 through the proxy (407 first)" \
        uac-call-auth.xml -mi 127.0.0.1 -mp 17100 -s 1002 -au 1001 -ap demo1001 -set user 1001 \
        -set talk_ms 300
    finish_standin "1002 received the call from 1001"
else
    fail "stand-in UAS did not start"
fi

expect_pass "unregister 1002" unregister.xml -au 1002 -ap demo1002 -set user 1002
expect_pass "gateway calls 1002 after unregistering: 480" \
    caller-expect-unavailable.xml "${GW[@]}" -s 1002

# --- the log is well formed: every multi-line record is closed
if awk '/RALU-SIP-(IN|REPLY) / { if (open) bad = 1; open = 1; n++ }
        /^RALU-SIP-END\r?$/ { if (!open) bad = 1; open = 0 }
        END { exit (bad || open || n < 20) }' "$LOG"; then
    ok "kamailio.log records are all closed by RALU-SIP-END"
else
    fail "kamailio.log records are all closed by RALU-SIP-END"
fi

# --- stop
if "$PROVIDER" stop "$RUN" >"$OUT/stop.out" 2>&1 && [[ ! -e "$RUN/kamailio.pid" && ! -e "$RUN/farend.pid" ]] \
    && ! ss -Hlun "src 127.0.0.1:5060" | grep -q . && ! ss -Hlun "src 127.0.0.1:5070" | grep -q .; then
    ok "provider stops and frees 5060/5070"
else
    fail "provider stops and frees 5060/5070" "$OUT/stop.out"
fi

echo "provider self-test took $((SECONDS - start_s)) s"
echo "$PASSED passed, $FAILED failed"
((FAILED == 0))
