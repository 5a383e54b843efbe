"""A host on the simulated desktop: the user selects a word in Notes and the host prints events.

    AXBRIDGE_LIBRARY=build/src/libaxbridge-sim.so python3 bindings/python/host.py
"""
import axbridge

lib = axbridge.load()
lib.load_scenario({
    "applications": [{"pid": 501, "bundle_id": "com.example.notes", "name": "Notes",
                      "elements": [{"id": "body", "role": "AXTextArea", "frame": [120, 160, 760, 480],
                                    "text_kind": "native", "text": "Buy milk"}],
                      "focused": "body"}],
    "timeline": [{"at": 0.5, "do": "activate", "pid": 501},
                 {"at": 1.0, "do": "select", "element": "body", "range": [4, 4]}]})
lib.initMacAccessibility(lambda name, data: print(name, data))  # kept alive by the module
lib.start({})
lib.run_for(2.0)  # the run loop, for two virtual seconds
