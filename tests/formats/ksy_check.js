// Decodes every frame of capture files with the Kaitai Struct description compiled to JavaScript
// and compares what it gives with `orvelt-dump --frames --json` of the same files: kind, whether
// the frame is valid, every value as the same double, message and switch status texts.
//
// usage: node ksy_check.js ORVELT1.KSY ORVELT-DUMP WORK_DIR CAPTURE...
// The compiler, its runtime and js-yaml are found through NODE_PATH.
'use strict';

const fs = require('fs');
const path = require('path');
const { execFileSync } = require('child_process');
const yaml = require('js-yaml');
const compiler = require('kaitai-struct-compiler');
const KaitaiStream = require('kaitai-struct/KaitaiStream');

const [ksyPath, dumpPath, workDir, ...captures] = process.argv.slice(2);

const FEND = 0xc0, FESC = 0xdb, TFEND = 0xdc, TFESC = 0xdd;
const kTimeLabelCommand = 9;

// The capture cut at every FEND, escapes undone, numbered as the decoder numbers them: empty
// pieces skipped, the piece after the last FEND never a frame.
function Frames_Of(bytes) {
  const frames = [];
  let piece = [];
  let number = 0;
  for (let i = 0; i < bytes.length; ++i) {
    const b = bytes[i];
    if (b === FEND) {
      if (piece.length > 0) frames.push({ number: ++number, bytes: Uint8Array.from(piece) });
      piece = [];
    } else if (b === FESC && (bytes[i + 1] === TFEND || bytes[i + 1] === TFESC)) {
      piece.push(bytes[++i] === TFEND ? FEND : FESC);
    } else {
      piece.push(b);
    }
  }
  return frames;
}

// Each named value of the description and the channel it fills, by the record that holds it.
const kCounterValues = [['timeLastI2cMsg', 46], ['packetsUp', 47], ['packetsDown', 48],
                        ['packUpDrop', 49], ['packDownDrop', 50]];
const kBatteryValues = [['battery0Volt', 3], ['battery1Volt', 8]];
const kSolarValues = [['arrayYPlusCurr', 10], ['arrayYMinusCurr', 13], ['arrayXMinusCurr', 16],
                      ['arrayZPlusCurr', 19], ['arrayXPlusCurr', 21], ['arrayZMinusCurr', 27]];
const kMagnetometerValues = [['magnXAxis', 51], ['magnYAxis', 52], ['magnZAxis', 53]];

function Named_Values(object, table) {
  const values = [];
  for (const [name, channel] of table) {
    const v = object[name];
    if (v !== undefined && v !== null) values.push([channel, v]);
  }
  return values;
}

// Every kind of frame, and every problem, that the captures must hold for the comparison to
// mean something.
const kRequired = [
  'counter', 'message', 'battery', 'solar array', 'switchboard', 'magnetometer', 'other station',
  'counter (record too short)', 'counter (value out of range)', 'message (message frame too short)',
  'battery (record too short)', 'solar array (record too short)', 'switchboard (record too short)',
  'switchboard (value out of range)', 'switchboard (switch status code out of range)',
  'magnetometer (record too short)', 'other station (frame longer than 512 bytes)',
];

// What the description says of one forwarded frame, in the dump's terms.
function Described(Orvelt1, payload) {
  const f = new Orvelt1(new KaitaiStream(payload));
  const K = Orvelt1.FrameKind, R = Orvelt1.RecordType;
  const out = { kind: 'other station', valid: f.valid, values: [], text: '' };
  if (f.tooLong) return out;  // never decoded: the decoder keeps no more than 512 bytes
  const body = f.body;
  if (f.kind === K.COUNTER) {
    out.kind = 'counter';
    out.values = Named_Values(body, kCounterValues);
  } else if (f.kind === K.MESSAGE) {
    out.kind = 'message';
    if (body.valid) out.text = body.text;
  } else if (f.kind === K.SENSOR) {
    if (!body.complete) {
      out.kind = 'sensor record 0x00';
      return out;
    }
    const record = body.record;
    switch (body.recordType) {
      case R.BATTERY:
        out.kind = 'battery';
        out.values = Named_Values(record, kBatteryValues);
        break;
      case R.SOLAR_ARRAY:
        out.kind = 'solar array';
        out.values = Named_Values(record, kSolarValues);
        break;
      case R.SWITCHBOARD:
        out.kind = 'switchboard';
        if (record.known) {
          out.values = [[record.currentChannel, record.current],
                        [record.voltageChannel, record.voltage]];
          if (record.statusKnown) out.text = record.statusText;
        }
        break;
      case R.MAGNETOMETER:
        out.kind = 'magnetometer';
        out.values = Named_Values(record, kMagnetometerValues);
        break;
      default:
        out.kind = 'sensor record 0x' + body.recordType.toString(16).toUpperCase().padStart(2, '0');
    }
  }
  return out;
}

// The message text as ISO 8859-1 reads it: byte n is U+00nn.
function Latin1(bytes) {
  return String.fromCharCode(...bytes);
}

async function Main() {
  const ksy = yaml.load(fs.readFileSync(ksyPath, 'utf8'));
  const files = await compiler.compile('javascript', ksy, null, false);
  for (const [name, code] of Object.entries(files)) fs.writeFileSync(path.join(workDir, name), code);
  const { Orvelt1 } = require(path.resolve(workDir, 'Orvelt1.js'));
  console.log(`kaitai-struct-compiler ${compiler.version}, ${path.basename(ksyPath)} ` +
              `${fs.statSync(ksyPath).size} bytes`);

  const tally = new Map();  // kind -> {frames, equal, values, named}
  const Count = (kind) => {
    if (!tally.has(kind)) tally.set(kind, { frames: 0, equal: 0, values: 0, named: 0 });
    return tally.get(kind);
  };
  const faults = [];
  const named = new Map();  // reason -> count
  const statuses = new Set();  // switch status codes compared

  for (const capture of captures) {
    const dumped = new Map();
    const out = execFileSync(dumpPath, ['--frames', '--json', capture],
                             { maxBuffer: 1 << 30, stdio: ['ignore', 'pipe', 'ignore'] });
    for (const line of out.toString('utf8').split('\n')) {
      if (line === '') continue;
      const record = JSON.parse(line);
      dumped.set(record.frame, record);
    }
    for (const frame of Frames_Of(fs.readFileSync(capture))) {
      const where = `${path.basename(capture)} frame ${frame.number}`;
      const expected = dumped.get(frame.number);
      if (expected === undefined) {
        faults.push(`${where}: no line of orvelt-dump`);
        continue;
      }
      // Time labels are the ground station's own and are never forwarded.
      if (frame.bytes[0] === kTimeLabelCommand && frame.bytes.length <= 512) continue;
      const payload = frame.bytes.subarray(1);
      const t = Count(expected.problem ? `${expected.kind} (${expected.problem})` : expected.kind);
      ++t.frames;
      let got;
      try {
        got = Described(Orvelt1, payload);
      } catch (e) {
        faults.push(`${where}: the description cannot read it: ${e.message}`);
        continue;
      }
      const differences = [];
      if (got.kind !== expected.kind) differences.push(`kind ${got.kind}, not ${expected.kind}`);
      if (got.valid !== (expected.problem === undefined)) {
        differences.push(`valid is ${got.valid}, the decoder says ${expected.problem || 'no problem'}`);
      }
      const values = expected.values.map((v) => [v.channel, v.value]);
      if (values.length !== got.values.length) {
        differences.push(`${got.values.length} values, not ${values.length}`);
      } else {
        values.forEach(([channel, value], k) => {
          const [gotChannel, gotValue] = got.values[k];
          ++t.values;
          if (gotChannel !== channel || !Object.is(gotValue, value)) {
            differences.push(`channel ${gotChannel} = ${gotValue}, not channel ${channel} = ${value}`);
          }
        });
      }
      if (expected.switch_status !== undefined) statuses.add(expected.switch_status);
      const text = expected.text === undefined ? '' : expected.text;
      if (got.text !== text) {
        // The JavaScript runtime decodes ISO 8859-1 with TextDecoder, which reads the label as
        // windows-1252: bytes 0x80 to 0x9F become other characters there, in this runtime only.
        const raw = payload.subarray(5, payload.length - 3);
        const c1 = raw.some((b) => b >= 0x80 && b <= 0x9f);
        if (expected.kind === 'message' && c1 && Latin1(raw) === text) {
          const reason = 'message text with bytes 0x80-0x9F: the JavaScript runtime reads ' +
                         'ISO 8859-1 as windows-1252 (TextDecoder); the bytes are equal';
          named.set(reason, (named.get(reason) || 0) + 1);
          ++t.named;
        } else {
          differences.push(`text ${JSON.stringify(got.text)}, not ${JSON.stringify(text)}`);
        }
      }
      if (differences.length === 0) {
        ++t.equal;
      } else {
        faults.push(`${where}: ${differences.join('; ')}`);
      }
    }
  }

  console.log('kind (problem)                                      frames  equal  values');
  let frames = 0, values = 0;
  for (const [kind, t] of [...tally.entries()].sort()) {
    console.log(`${kind.padEnd(50)} ${String(t.frames).padStart(7)} ${String(t.equal + t.named)
      .padStart(6)} ${String(t.values).padStart(7)}`);
    frames += t.frames;
    values += t.values;
  }
  console.log(`${'all'.padEnd(50)} ${String(frames).padStart(7)} ${String(frames - faults.length)
    .padStart(6)} ${String(values).padStart(7)}`);
  for (const [reason, count] of named) console.log(`named difference, ${count} frames: ${reason}`);
  // A comparison that met no frame of a kind proves nothing about it.
  for (const kind of kRequired) {
    if (!tally.has(kind)) faults.push(`no frame compared of the kind ${kind}`);
  }
  for (let status = 0; status <= 16; ++status) {
    if (!statuses.has(status)) faults.push(`no switchboard record compared with status ${status}`);
  }
  if (faults.length > 0) {
    for (const fault of faults.slice(0, 40)) console.error(fault);
    console.error(`${faults.length} frames differ from orvelt-dump`);
    process.exit(1);
  }
}

Main().catch((e) => {
  console.error(e && e.stack ? e.stack : String(e));
  process.exit(1);
});
