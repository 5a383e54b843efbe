/// <reference types="node" />
// Types of the axbridge package: the functions, and each event's payload by event name.
import {EventEmitter} from 'node:events';

export interface Position {
  x: number;
  y: number;
}
export interface Size {
  width: number;
  height: number;
}
/** The followed application, as far as it is known. */
export interface AppInfo {
  bundle_id: string | null;
  name: string | null;
}
/** A selection: its text and the rectangle it covers on screen. */
export interface Selection extends Partial<AppInfo> {
  selected_text: string;
  is_editable: boolean;
  position: Position;
  size: Size;
}
/** A selection whose rectangle could not be found: the application keys, or none. */
export type SelectionProblem =
  | (Partial<AppInfo> & {message: 'something is wrong com'})
  | {message: 'something wrong rev'};
/** What the library reports for a selection in a text field or area. */
export type SelectionSnapshot = Selection | SelectionProblem;
/** The assistant context at a bare caret: the text above it; numbers null together. */
export interface CaretContext {
  selected_text: string;
  is_editable: true;
  position: {x: number | null; y: number | null};
  size: {width: number | null; height: number | null};
}
export type Empty = Record<string, never>;

/** Each event's payload, by event name (spellings as the library sends them). */
export interface EventPayloads {
  app_changed: {role: string | null; name: string | null; bundle_id: string | null};
  focused_changed: AppInfo | Empty;
  ui_reized: SelectionSnapshot;
  text_select: SelectionSnapshot;
  caret: Empty;
  alt_enter_pressed: SelectionSnapshot | CaretContext | Empty;
  /** Never reaches the host: the "alt_enter_pressed" after it takes its place. */
  error: {message: string};
  mouse_hoverd: Empty;
  clcicked_outside: Empty;
}
export type EventName = keyof EventPayloads;
/** One event: a union discriminated by `name`. */
export type AxbridgeEvent = {[N in EventName]: {name: N; data: EventPayloads[N]}}[EventName];
/** The plain callback: `if (name === 'text_select')` narrows `data`. */
export type EventCallback = (
  ...event: {[N in EventName]: [name: N, data: EventPayloads[N]]}[EventName]
) => void;
/** A callback that needs only the event's name. */
export type EventNameCallback = (name: EventName) => void;
/** What EventEmitter passes to "newListener" and "removeListener" listeners. */
export type ListenerChange = (name: string | symbol, listener: (...args: any[]) => void) => void;

/** A blocked field per bundle identifier: fields whose attribute `name` equals `value`. */
export type BlockedFields = Record<string, {name: string; value?: string}> | string;
/** What addMouseTracker takes: getNativeWindowHandle()'s Buffer, an XID or an axsim handle. */
export type WindowHandle = Buffer | number | bigint;

export interface LoadOptions {
  /** Load libaxbridge-sim (the simulated desktop) instead of the real libaxbridge. */
  simulated?: boolean;
}

/**
 * Loads the library: $AXBRIDGE_LIBRARY when set, else the copy bundled under
 * prebuilds/<platform>-<arch>/, else the system's. Throws LoadError naming every path tried.
 */
export function load(options?: LoadOptions): Library;

export class Library extends EventEmitter {
  /** Whether the axsim_ API (the simulated desktop) is there. */
  readonly simulated: boolean;

  on<N extends EventName>(name: N, listener: (data: EventPayloads[N]) => void): this;
  on(name: 'newListener' | 'removeListener', listener: ListenerChange): this;
  once<N extends EventName>(name: N, listener: (data: EventPayloads[N]) => void): this;
  once(name: 'newListener' | 'removeListener', listener: ListenerChange): this;
  off<N extends EventName>(name: N, listener: (data: EventPayloads[N]) => void): this;
  off(name: 'newListener' | 'removeListener', listener: ListenerChange): this;
  addListener<N extends EventName>(name: N, listener: (data: EventPayloads[N]) => void): this;
  addListener(name: 'newListener' | 'removeListener', listener: ListenerChange): this;
  removeListener<N extends EventName>(name: N, listener: (data: EventPayloads[N]) => void): this;
  removeListener(name: 'newListener' | 'removeListener', listener: ListenerChange): this;

  /**
   * Resolves with the next "alt_enter_pressed" payload (empty, or with a `message`, included).
   * Rejects with ContextTimeoutError when none comes within 1 s of the library's clock (the
   * virtual one when simulated), with AxsimError when the simulated desktop is reset first, and
   * at once with an Error before initMacAccessibility.
   * Calls while one is pending return the same promise.
   */
  getContext(): Promise<EventPayloads['alt_enter_pressed']>;
  /** setText: replaces the selection by pasting; blocks the main thread for 1.2 s or more. */
  replace(text: string): void;
  /** Receives every error a callback or listener throws (null: process.emitWarning). */
  onError(onError: ((error: unknown) => void) | null): void;

  /** initMacAccessibility: registers the callback (optional: the emitter gets every event). */
  initMacAccessibility(onEvent?: EventCallback | null): void;
  initMacAccessibility(onEvent: EventNameCallback): void;
  /** isAccessibiltyEnabled: whether the process may use the accessibility interface. */
  isAccessibiltyEnabled(): boolean;
  /** showAccessibiltyPermisionPopup: the same answer, asking the system to prompt the user. */
  showAccessibiltyPermisionPopup(): boolean;
  /** start: follows the frontmost application, never reporting the blocked fields. */
  start(blockedFields?: BlockedFields): void;
  /** setText: replaces the selection in the followed application by pasting. */
  setText(text: string): void;
  /** getDataForVeskAssist: asks for the "alt_enter_pressed" event (getContext() waits for it). */
  getDataForVeskAssist(): void;
  /** focusPreiov: brings the followed application back to the front. */
  focusPreiov(): void;
  /** addMouseTracker: watches the mouse over one of the host's windows. */
  addMouseTracker(windowHandle: WindowHandle): void;

  // The simulated desktop (libaxbridge-sim only); failing calls throw AxsimError.
  reset(): void;
  loadScenario(scenario: object | string): void;
  run(): void;
  runFor(seconds: number): void;
  now(): number;
  state(): Record<string, unknown>;
  setHostCallback(onEvent: EventCallback | null): void;
  setHostCallback(onEvent: EventNameCallback): void;
  setDiagnosticsEcho(echo: boolean): void;
  onDiagnostic(onLine: ((line: string) => void) | null): void;
  addHostWindow(id: string, x: number, y: number, width: number, height: number): bigint;
  hostWindow(id: string): bigint;
  /** Unregisters every callback: only once the library will call none of them again. */
  close(): void;
}

export class AxsimError extends Error {}
export class LoadError extends Error {}
export class ContextTimeoutError extends Error {
  readonly code: 'ETIMEDOUT';
}
