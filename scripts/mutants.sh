#!/usr/bin/env bash
# Mutation sample of the core: small deliberate faults, applied one at a time, each rebuilt
# and run against the tests that should notice it. Run by hand, not in CI:
#
#   scripts/mutants.sh [BUILD_DIR] [ID_PATTERN]
#
# BUILD_DIR is a configured build tree (default ./build); ID_PATTERN (an extended regex, default
# everything) picks mutants by id, e.g. 'decode|ingest'. Each mutant ends as KILLED (a test
# failed or timed out), SURVIVED (every test passed), NOT APPLIED (its original text is not
# found exactly once), BUILD FAILED or NO TESTS (its test pattern names no test). With
# MUTANT_CHECK=1 the mutants are only applied and restored, to check that each still applies. The source file is restored byte for byte after each
# mutant, and on Ctrl-C or any other exit; the test targets are rebuilt from the restored
# sources at the end, so the build tree is left as it was.
set -u

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd) || exit 2
only=${2:-.}
test_timeout=${MUTANT_TEST_TIMEOUT:-120}
run_timeout=${MUTANT_RUN_TIMEOUT:-400}
[[ -f $build/build.ninja ]] || { echo "no ninja build in $build" >&2; exit 2; }

ids=() files=() originals=() replacements=() targets=() patterns=()
# m ID FILE ORIGINAL REPLACEMENT "TARGETS" CTEST_REGEX
m() {
  ids+=("$1") files+=("$2") originals+=("$3") replacements+=("$4") targets+=("$5")
  patterns+=("$6")
}

# Test groups: the targets to rebuild and the ctest names they register.
# The KISS tests read time labels and frame bounds through Take_Frame, so they test the decoder
# too.
T_DEC="test_decode test_dump test_ingest"
R_DEC='(^|/)(TelemetryStore|DecoderTest|FrameLog|LineLog|DumpTool|Kiss)\.'
T_ING="test_ingest test_decode"
R_ING='(^|/)(Kiss|LoadPolicyTest|DecoderTest)\.'
T_CFG="test_config test_window"
R_CFG='(^|/)(ApplyConfIniText|ImagePathPrefix|ReadConfiguration|ReadStartUpFile|StartUpFolders|FormLoad)\.'
T_LIVE="test_live_rules"
R_LIVE='(^|/)(CategoryRangeTest|RepaintDelayTest|LiveSessionUnitTest|RecorderTest|ParseSourceTest)\.'
T_RULES="test_forward_rules"
R_RULES='(^|/)(Check_Server_Url|Check_Station_Settings|Enabled_Servers|Parse_Degrees|Maidenhead_To_Position|Sids_Request_Body|Classify_Answer|Parse_Receive_Options|LoadedFramesToForward)\.'
# The forwarding paths end to end: the forwarder against a test server and orvelt-receive
# forwarding (the forwarding window adds widgets, not requests).
T_FWD="test_forward_rules test_outbox test_forwarder qt_receive_forward"
R_FWD='(^|/)(Outbox|Forwarder|Forwarding|Station_Settings_Store|Classify_Answer|Sids_Request_Body|LoadedFramesToForward)\.|^qt_receive_forward$'
T_WIN="test_window"
R_WIN='(^|/)(FileOpenTest|FrameRows|NavigationTest|RecordFormats|ShowRecordTest|Box_Paint|FormLoad)\.'
T_CHART="test_charts"
R_CHART='(^|/)(DrawValue|SeriesChart|Check1Click|Option1Click|ValueAxis)\.'
T_EXP="test_export"
R_EXP='(^|/)(ReducePalette|ScreenshotPath|Command1ClickTest|CsvField)\.'
T_ARC="test_archive"
R_ARC='(^|/)(ArchiveFrameOrder|DefaultArchivePath|Check_Limits|Parse_Limits|NetworkFetchRules|ParseExportLine|Parse_Telemetry_Page|ParseUtcTime|ArchiveTest)\.'

# --- decode: calibrations, bounds, time labels, the store's limits
f=src/decode/frame_decoder.cpp
m decode-battery-offset $f 'cal->slope * raw + cal->offset' 'cal->slope * raw - cal->offset' "$T_DEC" "$R_DEC"
m decode-switch-current $f 'sw->ci * current_word - sw->cb' 'sw->ci * current_word + sw->cb' "$T_DEC" "$R_DEC"
m decode-switch-voltage-order $f 'Byte(13) * 256 + Byte(12)' 'Byte(12) * 256 + Byte(13)' "$T_DEC" "$R_DEC"
m decode-a4-voltage-offset $f '(sw->vi * voltage_word + sw->vb) / 1000' '(sw->vi * voltage_word - sw->vb) / 1000' test_decode '(^|/)DecoderTest\.'
m decode-counter-range $f 'if (Byte(3) >= 0x80)' 'if (Byte(3) > 0x80)' "$T_DEC" "$R_DEC"
m decode-status-range $f 'if (status >= kSwitchStatusCount)' 'if (status > kSwitchStatusCount)' "$T_DEC" "$R_DEC"
m decode-ignored-current $f 'if (current_word == kIgnoredSwitchCurrent) return;' 'if (false) return;' "$T_DEC" "$R_DEC"
m decode-binary-stamp-bound $f 'if (ms < kYear10000Ms) {' 'if (ms > kYear10000Ms) {' "$T_DEC" "$R_DEC"
m decode-label-length $f 'std::min<std::size_t>(frame.size() - 1, kTimeLabelMax)' 'frame.size() - 1' "$T_DEC" "$R_DEC"
m decode-frame-too-long $f 'if (full_length > static_cast<std::size_t>(kFrameCapacity)) {' 'if (full_length >= static_cast<std::size_t>(kFrameCapacity)) {' "$T_DEC" "$R_DEC"
f=src/decode/telemetry_store.hpp
m decode-store-capacity $f 'return s.count >= kSeriesCapacity;' 'return s.count > kSeriesCapacity;' "$T_DEC" "$R_DEC"
m decode-label-entry-commit $f 'label_count_ = entry + 1;' '' "$T_DEC" "$R_DEC"
f=src/decode/telemetry_store.cpp
m decode-label-dedup $f 'if (storage_->labels[label_count_ - 1].Holds(label)) return' 'if (false) return' "$T_DEC" "$R_DEC"
m decode-time-label-hour src/decode/time_label.cpp 'h > 23' 'h > 24' "$T_DEC" "$R_DEC"

# --- ingest: deframer escapes, frame ends, the load report
f=src/ingest/kiss.hpp
m ingest-unescape-swap $f 'put(*at == kTfend ? kFend : kFesc);' 'put(*at == kTfend ? kFesc : kFend);' "$T_ING" "$R_ING"
m ingest-empty-frames $f 'if (full_length == 0) return true;' '' "$T_ING" "$R_ING"
m ingest-block-marks-fesc $f 'flags[i] = (p[i] == kFend) | (p[i] == kFesc);' 'flags[i] = p[i] == kFend;' "$T_ING" "$R_ING"
m ingest-fend-pair-piece $f 'piece = ++plain;' '++plain;' "$T_ING" "$R_ING"
m ingest-batch-overfill src/decode/frame_batch.hpp 'return !Is_Full(count_, used_);' 'return true;' "$T_ING" "$R_ING"
m ingest-batch-log-run src/decode/frame_decoder.cpp 'run = end + 1;' 'run = end;' "$T_ING" "$R_ING"
m ingest-batch-label-entry src/decode/frame_decoder.cpp 'label_entry = state.store.Label_Entry(Take_Time_Label(state, frame));' 'state.store.Label_Entry(Take_Time_Label(state, frame));' "$T_ING" "$R_ING"
m ingest-encode-fesc src/ingest/kiss.cpp 'out.insert(out.end(), {kFesc, kTfesc});' 'out.insert(out.end(), {kFesc, kTfend});' "$T_ING" "$R_ING"
f=src/ingest/capture_reader.cpp
m ingest-incomplete-last $f 'if (deframer.Pending_Bytes() > 0) {' 'if (deframer.Pending_Bytes() > 1) {' "$T_ING" "$R_ING"
m ingest-batch-time-labels $f 'file.time_labels += static_cast<std::int64_t>(outcome.time_labels);' '' "$T_ING" "$R_ING"
m ingest-other-stations $f 'file.other_stations += static_cast<std::int64_t>(outcome.other_stations);' '' "$T_ING" "$R_ING"
m ingest-observers-see-labels src/decode/frame_decoder.cpp 'after_each(i, TakenFrame{time_label, outcome});' 'if (!time_label) after_each(i, TakenFrame{time_label, outcome});' "$T_ING test_dump test_archive" "$R_ING|(^|/)(DumpTool|ArchiveTest)\\."
m ingest-observed-numbers $f 'first + static_cast<std::int64_t>(place)' 'first + static_cast<std::int64_t>(place) + 1' "$T_ING test_dump test_archive" "$R_ING|(^|/)(DumpTool|ArchiveTest)\\."

# --- config: conf.ini lines, paths, start-up folders
f=src/config/conf_ini.cpp
m config-comment $f "line.front() == '#'" "line.front() == ';'" "$T_CFG" "$R_CFG"
m config-crlf $f "if (text[end] == '\\r' && start < text.size() && text[start] == '\\n') ++start;" '' "$T_CFG" "$R_CFG"
m config-absolute-path $f 'if (std::filesystem::path(value).is_absolute() || conf_folder.empty())' 'if (!std::filesystem::path(value).is_absolute() || conf_folder.empty())' "$T_CFG" "$R_CFG"
m config-folder-dedup src/config/start_up_files.cpp 'if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {' 'if (true) {' "$T_CFG" "$R_CFG"

# --- live: backoff, follow, roll-over, recorder
m net-backoff-steps src/net/backoff.cpp 'for (int k = 1; k < failures' 'for (int k = 0; k < failures' test_net_rules '(^|/)(Backoff_Delay_Ms|Wait_Before_Retry_Ms)\.'
m live-follow-edge src/live/follow.cpp 'if (shown.upper >= old_rows - kEdgeSlack) {' 'if (shown.lower >= old_rows - kEdgeSlack) {' "$T_LIVE" "$R_LIVE"
m live-repaint-delay src/live/follow.cpp 'last_paint_ms + interval_ms - now_ms' 'last_paint_ms - interval_ms - now_ms' "$T_LIVE" "$R_LIVE"
f=src/live/live_session.cpp
m live-sync-per-piece $f 'recorder_.Sync();' '' "$T_LIVE" "$R_LIVE"
m live-roll-over $f 'if (store.Count(c) >= kSeriesCapacity) return true;' 'if (store.Count(c) > kSeriesCapacity) return true;' "$T_LIVE" "$R_LIVE"
m live-cut-off $f 'if (deframer_.Pending_Bytes() > 0) ++counts_.cut_off;' '' "$T_LIVE" "$R_LIVE"
# The transports against a loopback TNC and a pseudo-terminal.
f=src/live/kiss_link.cpp
m live-link-read-rest $f 'if (device_ != nullptr && device_->bytesAvailable() > 0 && !read_pending_) {' 'if (false) {' qt_live_link '^qt_live_link$'
m live-link-drain-on-loss $f 'if (status_.phase == LinkPhase::Connected && device_->isReadable()) {' 'if (false) {' qt_live_link '^qt_live_link$'
f=src/live/recorder.cpp
m live-recorder-label-dedup $f '!time_label && label_in_force_ != label;' '!time_label;' "$T_LIVE" "$R_LIVE"
m live-recorder-fsync $f 'if (sync_(fd_) != 0 && status_.outcome.ok()) {' 'if (false && status_.outcome.ok()) {' "$T_LIVE" "$R_LIVE"
m live-recorder-name $f 'if (k > 1) path.replace_filename(' 'if (k > 2) path.replace_filename(' "$T_LIVE" "$R_LIVE"

# --- forward: retry decisions, the outbox's dedup and sync, request fields
f=src/forward/retry_policy.cpp
m forward-retry-429 $f 'http_status == 408 || http_status == 429 ||' 'http_status == 408 ||' "$T_RULES" "$R_RULES"
m forward-sent-range $f 'http_status >= 200 && http_status < 300' 'http_status >= 200 && http_status <= 300' "$T_RULES" "$R_RULES"
m net-retry-after-503 src/net/backoff.cpp '(http_status == 429 || http_status == 503) && retry_after_ms' 'http_status == 429 && retry_after_ms' test_net_rules '(^|/)Wait_Before_Retry_Ms\.'
m net-delay-doubling src/net/backoff.cpp '? delay * 2 : longest' '? delay * 3 : longest' test_net_rules '(^|/)Backoff_Delay_Ms\.'
m forward-interim-retried $f 'if (http_status < 200 || http_status == 408' 'if (http_status == 0 || http_status == 408' "$T_RULES" "$R_RULES"
f=src/forward/outbox.cpp
m forward-delivery-dedup $f '"INSERT OR IGNORE INTO deliveries(server, frame_id) VALUES(?1, ?2)"' '"INSERT INTO deliveries(server, frame_id) VALUES(?1, ?2)"' "$T_FWD" "$R_FWD"
m forward-sent-once $f 'if (sqlite3_changes64(db()) == 0) return Outcome::Done();' '' "$T_FWD" "$R_FWD"
m forward-sync-off src/sqlite/versioned_database.cpp '"PRAGMA synchronous = NORMAL"' '"PRAGMA synchronous = OFF"' "$T_FWD" "$R_FWD"
m forward-write-to-disk src/sqlite/versioned_database.cpp 'sqlite3_wal_checkpoint_v2(db(), nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);' 'SQLITE_OK;' "$T_FWD" "$R_FWD"
m forward-sent-while-waiting $f '"DELETE FROM deliveries WHERE frame_id = ?1 AND server = ?2 AND state = 0"' '"DELETE FROM deliveries WHERE frame_id = ?1 AND server = ?2"' "$T_FWD" "$R_FWD"
m forward-attempts $f 'attempts = attempts + 1' 'attempts = attempts + 2' "$T_FWD" "$R_FWD"
m forward-removed-servers $f 'if (server.waiting + server.rejected > 0 &&' 'if (server.waiting > 0 &&' "$T_FWD" "$R_FWD"
f=src/forward/sids_request.cpp
m forward-frame-hex $f 'kiss_frame.subspan(1)' 'kiss_frame.subspan(0)' "$T_FWD" "$R_FWD"
m forward-longitude-side $f '(longitude < 0 ? "W" : "E")' '(longitude < 0 ? "E" : "W")' "$T_RULES" "$R_RULES"
m forward-locator-centre src/forward/maidenhead.cpp 'lon + lon_size / 2.0' 'lon + lon_size' "$T_RULES" "$R_RULES"
f=src/forward/loaded_frames.cpp
m forward-queued-dedup $f 'if (queued.Contains(log.first_position() + i)) {' 'if (false && queued.Contains(log.first_position() + i)) {' "$T_RULES" "$R_RULES"
m net-no-body-204 src/net/http_answer.cpp 'if (answer_.status == 204 || answer_.status == 304)' 'if (answer_.status == 304)' test_net_rules '(^|/)HttpAnswerReader\.'
m net-http10-kept-alive src/net/http_answer.cpp '&& http_1_1_) keep_alive_ = true;' ') keep_alive_ = true;' test_net_rules '(^|/)HttpAnswerReader\.'
m net-interim-final src/net/http_answer.cpp 'if (answer_.status != 0 && !Final()) {' 'if (false) {' test_net_rules '(^|/)HttpAnswerReader\.'
m net-link-second-rel src/net/link_header.cpp 'rel_seen = true;' '' test_net_rules '(^|/)Link_Target\.'

# --- window: navigation bounds, record display, frame rows
f=src/window/navigation.cpp
m window-go-to-time $f 'if (time == *wanted) return r;' 'if (false) return r;' "$T_WIN" "$R_WIN"
m window-go-to-first $f '*record < kFirstRecord)' '*record <= kFirstRecord)' "$T_WIN" "$R_WIN"
m window-time-part-width $f 'if (piece.size() > 2) return std::nullopt;' 'if (piece.size() > 3) return std::nullopt;' "$T_WIN" "$R_WIN"
f=src/window/record_display.cpp
m window-round-half $f "fraction.back() >= '5'" "fraction.back() > '5'" "$T_WIN" "$R_WIN"
m window-record-bound $f 'if (r < 1 || r > store.Count(i)) {' 'if (r < 1 || r > store.Count(i) + 1) {' "$T_WIN" "$R_WIN"
f=src/window/frame_rows.cpp
m window-problem-filter $f 'return entry.problem != FrameProblem::None;' 'return entry.problem == FrameProblem::None;' "$T_WIN" "$R_WIN"
m window-z-channel $f 'return {kMagnetometerZChannel};' 'return {kMagnetometerXChannel};' "$T_WIN" "$R_WIN"

# --- charts: spacing, series data, titles, statistics, selection
f=src/charts/chart_routines.cpp
m charts-spacing $f 'if (twice_rest > kAutoSpacingMaxRows) return whole + 1;' 'if (twice_rest >= kAutoSpacingMaxRows) return whole + 1;' "$T_CHART" "$R_CHART"
m charts-row-value $f 'store.Value(channel, i + 1) : kNoSample' 'store.Value(channel, i) : kNoSample' "$T_CHART" "$R_CHART"
f=src/charts/value_axis.cpp
m charts-stats-gap $f 'if (std::isnan(v)) continue;' '' "$T_CHART" "$R_CHART"
m charts-stats-mean $f 'stats.mean = sum / samples;' 'stats.mean = sum / chart.row_count;' "$T_CHART" "$R_CHART"
f=src/charts/selection.cpp
m charts-fresh-press $f 'shift != kFreshlyPressed && right_button != kFreshlyPressed' 'shift != kFreshlyPressed || right_button != kFreshlyPressed' "$T_CHART" "$R_CHART"
m charts-check1 $f 'if (app.form.Check1 == 1) {' 'if (app.form.Check1 == 0) {' "$T_CHART" "$R_CHART"

# --- export: CSV escaping, screenshot names
f=src/export/csv_export.cpp
m export-csv-comma $f "c >= 0x7F || c == ',' ||" 'c >= 0x7F ||' "$T_EXP test_dump" "$R_EXP|$R_DEC"
m export-csv-quote $f "if (c == '\"') out += '\"';" '' "$T_EXP test_dump" "$R_EXP|$R_DEC"
m export-bitmap-extension src/export/screenshot_name.cpp 'if (!replaced) result.append(kBitmapExtension);' 'if (replaced) result.append(kBitmapExtension);' "$T_EXP" "$R_EXP"

# --- archive, form and the Qt layer
m archive-limit-below src/decode/channel_limits.cpp 'value < *limits.lower' 'value <= *limits.lower' "test_decode $T_ARC" "(^|/)Check_Limits\\.|$R_ARC"
m archive-sample-dedup src/archive/archive.cpp 'added = sqlite3_changes(db()) > 0;' 'added = true;' "$T_ARC" "$R_ARC"
m archive-second-order src/archive/archive.cpp '  ++next_in_second_;' '' "$T_ARC" "$R_ARC"
m archive-store-full src/archive/gathered_frames.cpp 'if (outcome.problem == FrameProblem::StoreFull) return;' '' "$T_ARC" "$R_ARC"
# The history window's queries: time ranges, pass figures and sources, the read-out, changes.
R_HIST='(^|/)(Span_Range|Column_At|HistoryArchiveTest)\.'
f=src/archive/history_view.cpp
m history-week $f 'return TimeRange{day + kDay - 7 * kDay, day_end};' 'return TimeRange{day - 7 * kDay, day_end};' "$T_ARC" "$R_HIST"
m history-figures-next-pass $f 'while (p < passes.size() && passes[p].end < b.start) ++p;' 'while (p < passes.size() && passes[p].end <= b.start) ++p;' "$T_ARC" "$R_HIST"
m history-reach $f 'if (std::min(to_before, to_after) > reach) return std::nullopt;' 'if (std::min(to_before, to_after) >= reach) return std::nullopt;' "$T_ARC" "$R_HIST"
m history-sources-order $f 'return a.first != b.first ? a.first > b.first' 'return a.first != b.first ? a.first < b.first' "$T_ARC" "$R_HIST"
m history-changed $f 'if (version.value() == version_) return false;' 'if (version.value() == version_) return true;' "$T_ARC" "$R_HIST"
# Fetching from the network database: the fetch's rules against a test server, the program,
# and the Fetch dialog driven by a person.
T_NET="test_network_fetch orvelt-archive qt_journey"
R_NET='(^|/)(NetworkFetchTest|DrfFetchTest)\.|^qt_journey$'
f=src/archive/network_fetch.cpp
m fetch-resume-below $f 'plan.to = std::min(to, -*unfinished.value());' 'plan.to = to;' "$T_NET" "$R_NET"
m fetch-circle $f 'if (waits_in_a_row_ == 0 && !visited_.insert(key).second) {' 'if (false) {' "$T_NET" "$R_NET"
m fetch-other-server $f 'if (!Same_Origin(url, origin_)) {' 'if (!Same_Origin(url, origin_) && false) {' "$T_NET" "$R_NET"
m fetch-body-next $f 'if (!next) next = page->next;' '' "$T_NET" "$R_NET"
m fetch-newest $f 'std::max(report_.newest.value_or(entry.time), entry.time)' 'std::min(report_.newest.value_or(entry.time), entry.time)' "$T_NET" "$R_NET"
m form-status-unknown src/form/form_model.cpp 'if (status < 0) {' 'if (status <= 0) {' "$T_WIN $T_CHART" "$R_WIN|$R_CHART"
f=src/qt/key_press_tracker.cpp
m qt-shift-autorepeat $f 'if (key->key() != Qt::Key_Shift || key->isAutoRepeat()) break;' 'if (key->key() != Qt::Key_Shift) break;' "qt_window_test" '^qt_window_test$'

# --- the run ---------------------------------------------------------------------------------
backup=$(mktemp)
log=$(mktemp)
current=""
restore() {
  if [[ -n $current ]]; then
    cat "$backup" >"$root/$current"  # new mtime, so the next build recompiles the original
    current=""
  fi
}
used_targets=()
finish() {
  restore
  if ((${#used_targets[@]})) && [[ -z ${MUTANT_CHECK:-} ]]; then
    echo "rebuilding the test targets from the restored sources" >&2
    ninja -C "$build" "${used_targets[@]}" >/dev/null 2>&1 ||
      echo "warning: rebuilding the restored sources failed" >&2
  fi
  rm -f "$backup" "$log"
}
trap finish EXIT
trap 'echo "interrupted" >&2; exit 130' INT TERM

# Replaces the one occurrence of $2 by $3 in file $1; fails if it is not there exactly once.
apply() {
  python3 - "$1" "$2" "$3" <<'EOF'
import sys
path, old, new = sys.argv[1], sys.argv[2], sys.argv[3]
with open(path, encoding="utf-8", newline="") as f:
    text = f.read()
if not old or text.count(old) != 1:
    sys.exit(1)
with open(path, "w", encoding="utf-8", newline="") as f:
    f.write(text.replace(old, new, 1))
EOF
}

results=()
declare -A count=([KILLED]=0 [SURVIVED]=0 ["NOT APPLIED"]=0 ["BUILD FAILED"]=0 ["NO TESTS"]=0)
for i in "${!ids[@]}"; do
  id=${ids[$i]}
  [[ $id =~ $only ]] || continue
  file=${files[$i]}
  read -r -a tgts <<<"${targets[$i]}"
  for t in "${tgts[@]}"; do
    [[ " ${used_targets[*]} " == *" $t "* ]] || used_targets+=("$t")
  done
  cp "$root/$file" "$backup"
  current=$file
  start=$SECONDS
  if ! apply "$root/$file" "${originals[$i]}" "${replacements[$i]}"; then
    verdict="NOT APPLIED"
  elif [[ -n ${MUTANT_CHECK:-} ]]; then
    verdict="SURVIVED"  # only checking that every mutant applies
  elif ! ninja -C "$build" "${tgts[@]}" >"$log" 2>&1; then
    verdict="BUILD FAILED"
  elif (cd "$build" && QT_QPA_PLATFORM=offscreen timeout "$run_timeout" \
          ctest -R "${patterns[$i]}" --timeout "$test_timeout" --no-tests=error \
          --stop-on-failure >"$log" 2>&1); then
    verdict="SURVIVED"
  elif grep -q "No tests were found" "$log"; then
    verdict="NO TESTS"
  else
    verdict="KILLED"
  fi
  restore
  count[$verdict]=$((count[$verdict] + 1))
  line=$(printf '%-28s %-13s %-34s %4ss' "$id" "$verdict" "$file" $((SECONDS - start)))
  results+=("$line")
  echo "$line"
done

echo
echo "mutant                       verdict       file"
printf '%s\n' "${results[@]}" | sort
echo
echo "killed ${count[KILLED]}, survived ${count[SURVIVED]}, not applied ${count["NOT APPLIED"]}," \
  "build failed ${count["BUILD FAILED"]}, no tests ${count["NO TESTS"]}, of ${#results[@]}"
