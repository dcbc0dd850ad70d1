meta:
  id: orvelt1
  title: ORVELT-1 downlink frame
  license: CC0-1.0
  ks-version: '0.9'
  endian: be
  encoding: ISO-8859-1
doc: |
  One frame of the ORVELT-1 downlink as a ground station forwards it to a telemetry server:
  the bytes after the KISS command byte (byte 0 here is the byte after it). Time-label frames
  (KISS command byte 9) are the ground station's own and are never forwarded.

  A frame is a counter frame (byte 0 is 0x01), a message frame or a sensor frame (bytes 0 and 1
  are 0xC0 0x80, byte 4 tells which), or the frame of another station on the channel. The
  engineering values are computed in double precision in the order written (multiply, then add
  or subtract, then divide), so they give exactly the doubles of the ORVELT-1 decoder.

  `valid` is false for a frame the decoder rejects: too short for its record, a value out of
  range, a switch status code of 17 or more, or longer than 511 bytes. Such a frame yields no
  engineering value, except a switchboard record with a status code out of range, whose current
  and voltage the decoder still keeps. A record with a selector the decoder does not know is no
  error: it yields no value, and `known` says so.

  :field kind: kind
  :field valid: valid
  :field time_last_i2c_msg: body.time_last_i2c_msg
  :field packets_up: body.packets_up
  :field packets_down: body.packets_down
  :field pack_up_drop: body.pack_up_drop
  :field pack_down_drop: body.pack_down_drop
  :field message: body.text
  :field battery_0_volt: body.record.battery_0_volt
  :field battery_1_volt: body.record.battery_1_volt
  :field array_y_plus_curr: body.record.array_y_plus_curr
  :field array_y_minus_curr: body.record.array_y_minus_curr
  :field array_x_minus_curr: body.record.array_x_minus_curr
  :field array_z_plus_curr: body.record.array_z_plus_curr
  :field array_x_plus_curr: body.record.array_x_plus_curr
  :field array_z_minus_curr: body.record.array_z_minus_curr
  :field switch: body.record.switch
  :field switch_current: body.record.current
  :field switch_voltage: body.record.voltage
  :field switch_status: body.record.status_text
  :field magn_x_axis: body.record.magn_x_axis
  :field magn_y_axis: body.record.magn_y_axis
  :field magn_z_axis: body.record.magn_z_axis

seq:
  - id: body
    size-eos: true
    if: not too_long
    type:
      switch-on: kind
      cases:
        'frame_kind::counter': counter_frame
        'frame_kind::message': message_frame
        'frame_kind::sensor': sensor_frame
        _: other_station_frame

instances:
  marker:
    pos: 0
    type: u1
    if: _io.size >= 1
  header_byte_1:
    pos: 1
    type: u1
    if: _io.size >= 5
  header_byte_4:
    pos: 4
    type: u1
    if: _io.size >= 5
  kind:
    value: >-
      _io.size >= 1 and marker == 0x01 ? frame_kind::counter :
      _io.size >= 5 and marker == 0xc0 and header_byte_1 == 0x80 and header_byte_4 == 0x02
      ? frame_kind::sensor :
      _io.size >= 5 and marker == 0xc0 and header_byte_1 == 0x80 and header_byte_4 == 0xc0
      ? frame_kind::message :
      frame_kind::other_station
  too_long:
    value: _io.size > 511
    doc: The decoder keeps frames of at most 512 bytes, KISS command byte included.
  valid:
    value: >-
      not too_long and
      (kind == frame_kind::counter ? body.as<counter_frame>.valid :
      kind == frame_kind::message ? body.as<message_frame>.valid :
      kind == frame_kind::sensor ? body.as<sensor_frame>.valid :
      true)

enums:
  frame_kind:
    1: counter
    2: message
    3: sensor
    4: other_station
  counter_type:
    0xe0: time_last_i2c_msg
    0xe1: packets_up
    0xe2: packets_down
    0xe3: pack_up_drop
    0xe4: pack_down_drop
  record_type:
    0x2c: battery
    0x2d: solar_array
    0x66: switchboard
    0x89: magnetometer
  switch:
    0x81: pow_supply
    0x86: ppt_1_2
    0x8b: phone_cam
    0x90: warp_valve
    0x95: warp_heater
    0x9a: digi_wi9c
    0x9f: sgr05
    0xa4: react_wheels

types:
  counter_frame:
    doc: A modem counter, or the time of the last on-board bus message.
    seq:
      - id: marker
        type: u1
        doc: 0x01
      - id: counter_type
        type: u1
        enum: counter_type
        if: complete
      - id: counter_raw
        type: u4
        if: complete
        doc: Big-endian; valid only below 0x80000000, whatever the counter type.
    instances:
      complete:
        value: _io.size >= 6
      valid:
        value: complete and counter_raw < 0x80000000
      known:
        value: >-
          valid and counter_type.to_i >= 0xe0 and counter_type.to_i <= 0xe4
      time_last_i2c_msg:
        value: counter_raw
        if: valid and counter_type == counter_type::time_last_i2c_msg
        doc: 'Channel 46, "time last I²C msg": seconds since 1970-01-01 00:00:00 UTC.'
      packets_up:
        value: counter_raw
        if: valid and counter_type == counter_type::packets_up
        doc: Channel 47, "Packets Up", packets.
      packets_down:
        value: counter_raw
        if: valid and counter_type == counter_type::packets_down
        doc: Channel 48, "Packets Down", packets.
      pack_up_drop:
        value: counter_raw
        if: valid and counter_type == counter_type::pack_up_drop
        doc: Channel 49, "Pack Up drop", packets.
      pack_down_drop:
        value: counter_raw
        if: valid and counter_type == counter_type::pack_down_drop
        doc: Channel 50, "Pack Down drop", packets.

  message_frame:
    doc: A text sent by the satellite.
    seq:
      - id: header
        size: 5
        if: complete
        doc: C0 80, two bytes the decoder does not read, C0.
      - id: text
        type: str
        size: _io.size - 8
        if: complete
        doc: One character per byte (ISO 8859-1).
      - id: trailer
        size: 3
        if: complete
        doc: Three bytes that are no text.
    instances:
      complete:
        value: _io.size >= 8
      valid:
        value: complete

  sensor_frame:
    doc: One record of a sensor.
    seq:
      - id: header
        size: 5
        doc: C0 80, two bytes the decoder does not read, 02.
      - id: record_type
        type: u1
        enum: record_type
        if: _io.size >= 7
      - id: selector
        type: u1
        if: _io.size >= 7
        doc: The channel or switch within the record type.
      - id: record
        size-eos: true
        if: _io.size >= 7
        type:
          switch-on: record_type
          cases:
            'record_type::battery': battery_record(selector)
            'record_type::solar_array': solar_array_record(selector)
            'record_type::switchboard': switchboard_record(selector)
            'record_type::magnetometer': magnetometer_record(selector)
            _: unnamed_record
    instances:
      complete:
        value: _io.size >= 7
      valid:
        value: >-
          complete and
          (record_type == record_type::battery ? record.as<battery_record>.valid :
          record_type == record_type::solar_array ? record.as<solar_array_record>.valid :
          record_type == record_type::switchboard ? record.as<switchboard_record>.valid :
          record_type == record_type::magnetometer ? record.as<magnetometer_record>.valid :
          true)

  unnamed_record:
    doc: A record type the decoder does not read.
    seq:
      - id: data
        size-eos: true

  battery_record:
    doc: Battery voltage, V.
    params:
      - id: selector
        type: u1
    seq:
      - id: unused
        size: 1
        if: valid
      - id: raw
        type: s2le
        if: valid
    instances:
      valid:
        value: _io.size >= 3
      known:
        value: valid and (selector == 3 or selector == 8)
      battery_0_volt:
        value: -0.00945 * raw + 9.7488
        if: valid and selector == 3
        doc: Channel 3, "Battery 0 Volt", V.
      battery_1_volt:
        value: -0.00946 * raw + 9.7526
        if: valid and selector == 8
        doc: Channel 8, "Battery 1 Volt", V.

  solar_array_record:
    doc: Solar-array current, mA.
    params:
      - id: selector
        type: u1
    seq:
      - id: unused
        size: 1
        if: valid
      - id: raw
        type: s2le
        if: valid
    instances:
      valid:
        value: _io.size >= 3
      known:
        value: >-
          valid and (selector == 1 or selector == 4 or selector == 7 or selector == 10 or
          selector == 13 or selector == 31)
      array_y_plus_curr:
        value: -0.542490348 * raw + 528.0441026
        if: valid and selector == 1
        doc: Channel 10, "Array Y+ Curr", mA.
      array_y_minus_curr:
        value: -0.537846059 * raw + 523.1519466
        if: valid and selector == 4
        doc: Channel 13, "Array Y- Curr", mA.
      array_x_minus_curr:
        value: -0.541228423 * raw + 526.8412823
        if: valid and selector == 7
        doc: Channel 16, "Array X- Curr", mA.
      array_z_plus_curr:
        value: -0.52264946 * raw + 508.5204547
        if: valid and selector == 10
        doc: Channel 19, "Array Z+ Curr", mA.
      array_x_plus_curr:
        value: -0.518702129 * raw + 512.807352
        if: valid and selector == 13
        doc: Channel 21, "Array X+ Curr", mA.
      array_z_minus_curr:
        value: -0.52947555 * raw + 515.5141451
        if: valid and selector == 31
        doc: Channel 27, "Array Z- Curr", mA.

  switchboard_record:
    doc: |
      One switch of the switchboard: its rail current (mA), voltage (V) and status. A current
      word of 0x3468 marks a record to be ignored: it yields nothing.
    params:
      - id: selector
        type: u1
    seq:
      - id: unused
        size: 1
        if: complete
      - id: status
        type: u1
        if: complete
        doc: Switch status code, 0 to 16.
      - id: current_word
        type: u2be
        if: complete
        doc: Valid only below 0x8000.
      - id: voltage_word
        type: u2le
        if: complete
        doc: Valid only below 0x8000.
    instances:
      complete:
        value: _io.size >= 6
      in_range:
        value: complete and current_word < 0x8000 and voltage_word < 0x8000
      ignored:
        value: in_range and current_word == 0x3468
      switch:
        value: selector
        enum: switch
      known:
        value: >-
          in_range and not ignored and selector >= 0x81 and selector <= 0xa4 and
          (selector - 0x81) % 5 == 0
        doc: The switches are selectors 0x81 to 0xA4 in steps of 5.
      status_known:
        value: status < 17
        if: known
      valid:
        value: 'in_range and (known ? status_known : true)'
      current_channel:
        value: 28 + (selector - 0x81) / 5
        if: known
        doc: The channel of the current, 28 to 35.
      voltage_channel:
        value: 38 + (selector - 0x81) / 5
        if: known
        doc: The channel of the voltage, 38 to 45.
      current:
        value: >-
          switch == switch::pow_supply ? 0.259549 * current_word - 1.516825 :
          switch == switch::ppt_1_2 ? 0.258359 * current_word - 1.554162 :
          switch == switch::phone_cam ? 0.258359 * current_word - 1.595903 :
          switch == switch::warp_valve ? 0.518526 * current_word - 8.756971 :
          switch == switch::warp_heater ? 0.534516 * current_word - 3.25046 :
          switch == switch::digi_wi9c ? 0.528245 * current_word - 2.974109 :
          switch == switch::sgr05 ? 0.260476 * current_word - 0.91132 :
          0.532941 * current_word - 3.152331
        if: known
        doc: |
          Rail current, mA: channels 28 "Pow Supply Curr", 29 "PPT 1+2 Curr", 30 "Phone/CAM
          Curr", 31 "Warp Walve Curr", 32 "Warp Heater Curr", 33 "Digi WI9C Curr", 34 "SGR05
          Curr", 35 "React Wheels Curr".
      voltage:
        value: >-
          switch == switch::pow_supply ? (0.2300107 * voltage_word - 1.113424579) / 1000 :
          switch == switch::ppt_1_2 ? (0.2315349 * voltage_word - 1.136056829) / 1000 :
          switch == switch::phone_cam ? (0.23315 * voltage_word - 1.187043977) / 1000 :
          switch == switch::warp_valve ? (0.3667785 * voltage_word - 7.266803691) / 1000 :
          switch == switch::warp_heater ? (0.2603641 * voltage_word - 0.504061) / 1000 :
          switch == switch::digi_wi9c ? (0.2233264 * voltage_word - 0.930303516) / 1000 :
          switch == switch::sgr05 ? (0.2254974 * voltage_word - 0.993915009) / 1000 :
          (0.2592693 * voltage_word + 0.3656067) / 1000
        if: known
        doc: |
          Rail voltage, V: channels 38 "Pow Supply Volt", 39 "PPT 1+2 Volt", 40 "Phone/CAM
          Volt", 41 "Warp Valve Volt", 42 "Warp Heater Volt", 43 "Digi WI9C Volt", 44 "SGR05
          Volt", 45 "React Wheels Volt" (whose constant is added).
      status_text:
        value: >-
          status == 0 ? "OFF" :
          status == 1 ? "ON" :
          status == 2 ? "OFF(OVERCURRENT)" :
          status == 5 ? "SWITCH IS ON BUT IS IN OVERCURRENT CONDITION" :
          status == 8 ? "SWITCH IS OFF DUE TO MAX TIME TIMEOUT" :
          status == 16 ? "SWITCH IS OFF DUE TO UNKNOWN REASON" :
          ""
        if: known and status_known
        doc: The switch's status as its status box shows it; codes 3, 4, 6, 7 and 9 to 15 show none.

  magnetometer_record:
    doc: |
      Magnetometer axes, µT: selector 3 carries X and Y, selector 5 carries Z; each a signed
      32-bit big-endian word divided by 100000000.
    params:
      - id: selector
        type: u1
    seq:
      - id: unused
        size: 1
        if: valid and known
      - id: word_1
        type: s4
        if: valid and known
      - id: word_2
        type: s4
        if: valid and selector == 3
    instances:
      known:
        value: selector == 3 or selector == 5
      valid:
        value: 'selector == 3 ? _io.size >= 9 : selector == 5 ? _io.size >= 5 : true'
      magn_x_axis:
        value: word_1 / 100000000.0
        if: valid and selector == 3
        doc: Channel 51, "Magn X- Axis", µT.
      magn_y_axis:
        value: word_2 / 100000000.0
        if: valid and selector == 3
        doc: Channel 52, "Magn Y- Axis", µT.
      magn_z_axis:
        value: word_1 / 100000000.0
        if: valid and selector == 5
        doc: Channel 53, "Magn Z- Axis", µT.

  other_station_frame:
    doc: |
      A frame of another station on the channel (an AX.25 frame, for one), or one too short to
      tell: no ORVELT-1 telemetry.
    seq:
      - id: data
        size-eos: true
