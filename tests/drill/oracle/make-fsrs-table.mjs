// Replays review logs with ts-fsrs, the FSRS project's own scheduler, and writes what it
// computes after each review as the table the scheduler's test reads (../fsrs-oracle.tsv).
//
// Regenerate, with the package installed outside the source tree:
//   mkdir -p /tmp/fsrs-oracle && cp package.json /tmp/fsrs-oracle/ && (cd /tmp/fsrs-oracle && npm install)
//   NODE_PATH=/tmp/fsrs-oracle/node_modules node make-fsrs-table.mjs > ../fsrs-oracle.tsv
// (no node_modules may lie in the source tree).
//
// Columns: log, step, review time, rating, then the card after the review (stability,
// difficulty, due, last review, reps, lapses), then the whole UTC days elapsed since the
// previous review and the retrievability at this review, as ts-fsrs reckons them. Numbers are
// printed as JavaScript does, the shortest text that reads back as the same double.

import { createRequire } from 'node:module'
import path from 'node:path'

// NODE_PATH applies to require() only; resolve the package through it so either way works.
const require = createRequire(path.join(process.cwd(), 'noop.js'))
const { fsrs, generatorParameters, createEmptyCard, forgetting_curve, Rating, FSRSVersion } =
  require('ts-fsrs')

const params = generatorParameters({
  enable_fuzz: false,
  enable_short_term: false,
  request_retention: 0.9,
  maximum_interval: 36500,
})
const scheduler = fsrs(params)

const minute = 60 * 1000
const day = 24 * 60 * minute
const iso = (ms) => new Date(ms).toISOString()

// A step is [when, rating]: `when` is an ISO time, '+<n>m' / '+<n>d' after the previous review,
// or 'due*<f>' for that fraction of the scheduled interval after the previous review.
function timeOf(when, card) {
  if (typeof when === 'number') return when
  if (when.startsWith('+')) {
    const n = Number(when.slice(1, -1))
    return card.last_review.getTime() + n * (when.endsWith('d') ? day : minute)
  }
  if (when.startsWith('due*')) {
    const last = card.last_review.getTime()
    return last + Math.round((card.due.getTime() - last) * Number(when.slice(4)))
  }
  return Date.parse(when)
}

const [A, H, G, E] = [Rating.Again, Rating.Hard, Rating.Good, Rating.Easy]
const logs = {
  'first-wrong': [
    ['2026-03-01T09:00:00.000Z', A], ['+5m', A], ['+20m', G], ['2026-03-02T08:00:00.000Z', G],
    ['due*1', G], ['due*1', A], ['+10m', G], ['due*1', G], ['due*1.5', G],
  ],
  'same-day': [
    ['2026-04-05T06:30:00.000Z', G], ['+1m', G], ['+60m', G], ['+120m', H], ['+30m', E],
    ['+1m', A], ['+1m', A], ['+5m', G], ['2026-04-05T23:00:00.000Z', E], ['due*1', G],
    ['+0m', G],
  ],
  'midnight': [
    ['2026-03-10T23:59:00.000Z', G], ['2026-03-11T00:01:00.000Z', G],
    ['2026-03-11T23:59:00.000Z', G], ['2026-03-12T00:01:00.000Z', A],
    ['2026-03-12T23:59:00.000Z', G], ['2026-03-13T00:00:00.000Z', G],
    ['2026-12-31T23:59:00.000Z', G], ['2027-01-01T00:01:00.000Z', A],
    ['2027-01-01T23:59:59.999Z', G], ['2027-01-02T00:00:00.000Z', G],
  ],
  'long-gaps': [
    ['2026-01-15T12:00:00.000Z', E], ['2029-06-01T12:00:00.000Z', G],
    ...Array(8).fill(['due*1', E]), ['due*1', G], ['due*1', H], ['due*1', E], ['due*2', G],
    ['due*1', A], ['+3650d', G],
  ],
  'lapses': [
    ['2026-05-01T10:00:00.000Z', G],
    ...Array(4).fill([['due*1', G], ['due*1', A]]).flat(),
    ['+1m', A], ['+1d', A], ['+1d', A], ['+1d', A], ['due*1', G], ['due*3', A], ['+400d', A],
    ['+0m', A], ['+1d', G], ['due*1', G],
  ],
  'early': [
    ['2026-06-01T08:00:00.000Z', G], ['due*1', G], ['due*1', G], ['due*0.3', G],
    ['due*0.1', G], ['due*0.5', E], ['due*0.2', H], ['due*0.05', G], ['due*0.5', A],
    ['due*0.5', G],
  ],
  'mixed': [
    ['2026-07-01T07:00:00.000Z', H], ['due*1', H], ['due*1', E], ['due*0.8', G],
    ['due*1.2', A], ['+1d', H], ['due*1', E], ['due*1', E], ['due*2', H], ['due*1', A],
    ['+2d', E], ['due*1', G],
  ],
  'first-easy': [['2026-08-01T12:00:00.000Z', E], ['due*1', G], ['due*1', A]],
  'first-good': [['2026-08-01T12:00:00.000Z', G], ['due*1', H]],
  'before-1970': [
    ['1969-12-31T23:59:00.000Z', G], ['1970-01-01T00:01:00.000Z', G],
    ['1970-01-01T12:00:00.000Z', A], ['due*1', G],
  ],
}

// A longer log of its own: ratings and gaps from a fixed linear congruential sequence.
let seed = 20261207
const next = () => (seed = (seed * 1103515245 + 12345) % 2147483648) / 2147483648
const random = [['2026-09-09T09:09:09.009Z', G]]
for (let i = 0; i < 60; i++) {
  const x = next()
  const rating = x < 0.2 ? A : x < 0.3 ? H : x < 0.9 ? G : E
  const y = next()
  const when = y < 0.15 ? `+${Math.floor(next() * 600)}m` : `due*${(next() * 2.5).toFixed(3)}`
  random.push([when, rating])
}
logs['random'] = random

const ratingName = { [A]: 'Again', [H]: 'Hard', [G]: 'Good', [E]: 'Easy' }
console.log(`# ${FSRSVersion}, fuzz off, short-term off, retention 0.9, maximum interval 36500`)
console.log(
  'log\tstep\treview\trating\tstability\tdifficulty\tdue\tlast_review\treps\tlapses\telapsed_days\tretrievability'
)
for (const [id, steps] of Object.entries(logs)) {
  let card = createEmptyCard(new Date(timeOf(steps[0][0], null)))
  steps.forEach(([when, rating], step) => {
    const at = timeOf(when, card)
    const before = card
    const { card: after, log } = scheduler.next(card, new Date(at), rating)
    const r = before.reps === 0 ? 0 : forgetting_curve(params.w, log.elapsed_days, before.stability)
    console.log(
      [id, step, iso(at), ratingName[rating], after.stability, after.difficulty, iso(after.due.getTime()),
        iso(after.last_review.getTime()), after.reps, after.lapses, log.elapsed_days, r].join('\t')
    )
    card = after
  })
}
