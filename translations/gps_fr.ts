<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>BoxSearch</name>
    <message>
        <source>Search a city</source>
        <translation>Chercher une ville</translation>
    </message>
</context>
<context>
    <name>CityPrompt</name>
    <message>
        <source>Cities</source>
        <translation>Villes</translation>
    </message>
    <message>
        <source>Enter cities name split by &apos; &apos; like : Paris Marseille</source>
        <translation>Entrez les noms des villes séparés par &apos; &apos;, par exemple : Paris Marseille</translation>
    </message>
    <message>
        <source>&quot;%1&quot;</source>
        <translation>« %1 »</translation>
    </message>
    <message>
        <source>&quot;%1&quot; (did you mean %2?)</source>
        <translation>« %1 » (vouliez-vous dire %2 ?)</translation>
    </message>
    <message>
        <source>ALLERTE</source>
        <translation>ALERTE</translation>
    </message>
    <message>
        <source>Unknown cities: %1. The route is unchanged.

Names with spaces can be typed as they are, or in double quotes; commas also separate.</source>
        <translation>Villes inconnues : %1. Le trajet ne change pas.

Un nom qui contient des espaces peut être tapé tel quel ou entre guillemets droits ; les virgules séparent aussi les noms.</translation>
    </message>
    <message>
        <source>Order of the cities</source>
        <translation>Ordre des villes</translation>
    </message>
    <message>
        <source>Visit them in the order typed</source>
        <translation>Les visiter dans l&apos;ordre saisi</translation>
    </message>
    <message>
        <source>Best order from the first city</source>
        <translation>Meilleur ordre depuis la première ville</translation>
    </message>
    <message>
        <source>Best order from the first city to the last</source>
        <translation>Meilleur ordre de la première ville à la dernière</translation>
    </message>
    <message>
        <source>Best round trip from the first city</source>
        <translation>Meilleure boucle depuis la première ville</translation>
    </message>
    <message>
        <source>A best order takes at most %1 cities, not %2. The route is unchanged.</source>
        <translation>Un meilleur ordre prend au plus %1 villes, pas %2. Le trajet est inchangé.</translation>
    </message>
</context>
<context>
    <name>Fenetre</name>
    <message>
        <source>Fenetre</source>
        <translation>Fenetre</translation>
    </message>
    <message>
        <source>Departure city</source>
        <translation>Ville de départ</translation>
    </message>
    <message>
        <source>City - start    🟦</source>
        <translation>Ville - départ    🟦</translation>
    </message>
    <message>
        <source>GPS</source>
        <translation>GPS</translation>
    </message>
    <message>
        <source>Arrival city</source>
        <translation>Ville d&apos;arrivée</translation>
    </message>
    <message>
        <source>City - end     🟩</source>
        <translation>Ville - arrivée     🟩</translation>
    </message>
    <message>
        <source>Travel times between all cities</source>
        <translation>Temps de trajet entre toutes les villes</translation>
    </message>
    <message>
        <source>Global Matrix</source>
        <translation>Matrice globale</translation>
    </message>
    <message>
        <source>Time of each leg of the route</source>
        <translation>Temps de chaque étape du trajet</translation>
    </message>
    <message>
        <source>Travel times between the cities of the route</source>
        <translation>Temps de trajet entre les villes du trajet</translation>
    </message>
    <message>
        <source>Travel Matrix</source>
        <translation>Matrice du trajet</translation>
    </message>
    <message>
        <source>Route through cities typed in</source>
        <translation>Trajet par des villes tapées au clavier</translation>
    </message>
    <message>
        <source>cities</source>
        <translation>villes</translation>
    </message>
    <message>
        <source>Unit of the times</source>
        <translation>Unité des temps</translation>
    </message>
    <message>
        <source>minute</source>
        <translation>minute</translation>
    </message>
    <message>
        <source>hour</source>
        <translation>heure</translation>
    </message>
    <message>
        <source>Weather of a city</source>
        <translation>Météo d&apos;une ville</translation>
    </message>
    <message>
        <source>Info city</source>
        <translation>Météo</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>Zoom avant</translation>
    </message>
    <message>
        <source>+</source>
        <translation>+</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>Zoom arrière</translation>
    </message>
    <message>
        <source>-</source>
        <translation>-</translation>
    </message>
    <message>
        <source>GPS - cities © GeoNames
licence CC BY 4.0</source>
        <translation>GPS - villes © GeoNames
licence CC BY 4.0</translation>
    </message>
    <message>
        <source>%1: not enough memory to open this network</source>
        <translation>%1 : pas assez de mémoire pour ouvrir ce réseau</translation>
    </message>
    <message>
        <source>Not enough memory for this on a network of %1 cities. Nothing was changed.</source>
        <translation>Pas assez de mémoire pour cela sur un réseau de %1 villes. Rien n&apos;a été changé.</translation>
    </message>
    <message>
        <source>ALLERTE</source>
        <translation>ALERTE</translation>
    </message>
    <message>
        <source>Nombre de villes choisis &lt; 2.</source>
        <translation>Nombre de villes choisies &lt; 2.</translation>
    </message>
    <message>
        <source>Opening the network in %1...</source>
        <translation>Ouverture du réseau de %1…</translation>
    </message>
    <message>
        <source>%1 → %2 — GPS</source>
        <translation>%1 → %2 — GPS</translation>
    </message>
    <message>
        <source>h:mm</source>
        <translation>h:mm</translation>
    </message>
</context>
<context>
    <name>FileActions</name>
    <message>
        <source>Open a network folder...</source>
        <translation>Ouvrir le dossier d&apos;un réseau…</translation>
    </message>
    <message>
        <source>Save the route...</source>
        <translation>Enregistrer le trajet…</translation>
    </message>
    <message>
        <source>Copy the route</source>
        <translation>Copier le trajet</translation>
    </message>
    <message>
        <source>Save the map as PNG...</source>
        <translation>Enregistrer la carte en PNG…</translation>
    </message>
    <message>
        <source>GPS</source>
        <translation>GPS</translation>
    </message>
    <message>
        <source>The network folder %1 does not exist; the network on show is kept.</source>
        <translation>Le dossier de réseau %1 n&apos;existe pas ; le réseau affiché est conservé.</translation>
    </message>
    <message>
        <source>No city could be read in %1; the network on show is kept.</source>
        <translation>Aucune ville n&apos;a pu être lue dans %1 ; le réseau affiché est conservé.</translation>
    </message>
    <message>
        <source>(%1 more in the details)</source>
        <translation>(%1 de plus dans les détails)</translation>
    </message>
    <message>
        <source>Some of the network could not be read; the rest is shown.</source>
        <translation>Une partie du réseau n&apos;a pas pu être lue ; le reste est affiché.</translation>
    </message>
    <message>
        <source>The network folder %1 does not exist; no network is shown.</source>
        <translation>Le dossier de réseau %1 n&apos;existe pas ; aucun réseau n&apos;est affiché.</translation>
    </message>
    <message>
        <source>Open a network folder (villes.csv and temps.csv)</source>
        <translation>Ouvrir le dossier d&apos;un réseau (villes.csv et temps.csv)</translation>
    </message>
    <message>
        <source>Could not save %1: %2</source>
        <translation>Impossible d&apos;enregistrer %1 : %2</translation>
    </message>
    <message>
        <source>There is no route to save.</source>
        <translation>Il n&apos;y a pas de trajet à enregistrer.</translation>
    </message>
    <message>
        <source>Save the route</source>
        <translation>Enregistrer le trajet</translation>
    </message>
    <message>
        <source>GPX route (*.gpx)</source>
        <translation>Trajet GPX (*.gpx)</translation>
    </message>
    <message>
        <source>CSV table (*.csv)</source>
        <translation>Tableau CSV (*.csv)</translation>
    </message>
    <message>
        <source>Save the map</source>
        <translation>Enregistrer la carte</translation>
    </message>
    <message>
        <source>PNG image (*.png)</source>
        <translation>Image PNG (*.png)</translation>
    </message>
    <message>
        <source>Saved as %1.</source>
        <translation>Enregistré sous %1.</translation>
    </message>
    <message>
        <source>The route was copied.</source>
        <translation>Le trajet a été copié.</translation>
    </message>
    <message>
        <source>The whole network was read; GPS noticed this in it:</source>
        <translation>Tout le réseau a été lu ; GPS y a relevé ceci :</translation>
    </message>
    <message>
        <source>This network is read from its files at each opening: %1.</source>
        <translation>Ce réseau est relu depuis ses fichiers à chaque ouverture : %1.</translation>
    </message>
    <message>
        <source>Open a network folder</source>
        <translation>Ouvrir le dossier d&apos;un réseau</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
</context>
<context>
    <name>ImportDialog</name>
    <message>
        <source>Open an OpenStreetMap extract</source>
        <translation>Ouvrir un extrait OpenStreetMap</translation>
    </message>
    <message>
        <source>&amp;Keep its network in the folder:</source>
        <translation>&amp;Garder son réseau dans le dossier :</translation>
    </message>
    <message>
        <source>&amp;Put it in...</source>
        <translation>&amp;Le mettre dans...</translation>
    </message>
    <message>
        <source>Choose the folder that holds the network&apos;s folder</source>
        <translation>Choisir le dossier qui contient celui du réseau</translation>
    </message>
    <message>
        <source>Places that become cities</source>
        <translation>Lieux qui deviennent des villes</translation>
    </message>
    <message>
        <source>Extract: %1</source>
        <translation>Extrait : %1</translation>
    </message>
    <message>
        <source>&amp;Cities</source>
        <translation>&amp;Villes</translation>
    </message>
    <message>
        <source>&amp;Towns</source>
        <translation>&amp;Bourgs</translation>
    </message>
    <message>
        <source>&amp;Villages</source>
        <translation>Vill&amp;ages</translation>
    </message>
    <message>
        <source>&amp;Hamlets</source>
        <translation>&amp;Hameaux</translation>
    </message>
    <message>
        <source>&amp;Suburbs</source>
        <translation>&amp;Faubourgs</translation>
    </message>
    <message>
        <source>&amp;Quarters</source>
        <translation>&amp;Quartiers</translation>
    </message>
    <message>
        <source>&amp;Neighbourhoods</source>
        <translation>Voi&amp;sinages</translation>
    </message>
    <message>
        <source>&amp;Isolated dwellings</source>
        <translation>Habitations &amp;isolées</translation>
    </message>
    <message>
        <source>Put the network&apos;s folder in</source>
        <translation>Mettre le dossier du réseau dans</translation>
    </message>
    <message>
        <source>%1 is a file, not a folder.</source>
        <translation>%1 est un fichier, pas un dossier.</translation>
    </message>
    <message>
        <source>%1 holds a network already. Replace it?</source>
        <translation>%1 contient déjà un réseau. Le remplacer ?</translation>
    </message>
</context>
<context>
    <name>Info</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>return</source>
        <translation>retour</translation>
    </message>
    <message>
        <source>description : </source>
        <translation>description : </translation>
    </message>
    <message>
        <source>° Temperature : </source>
        <translation>° Température : </translation>
    </message>
    <message>
        <source>° Felt Temperature : </source>
        <translation>° Ressentie : </translation>
    </message>
    <message>
        <source>% Humidity : </source>
        <translation>% Humidité : </translation>
    </message>
    <message>
        <source>Wind Speed : </source>
        <translation>Vitesse du vent : </translation>
    </message>
    <message>
        <source>Wind Direction : </source>
        <translation>Direction du vent : </translation>
    </message>
    <message>
        <source>Rain : </source>
        <translation>Pluie : </translation>
    </message>
    <message>
        <source>Sunrise Time : </source>
        <translation>Lever du soleil : </translation>
    </message>
    <message>
        <source>Sunset Time : </source>
        <translation>Coucher du soleil : </translation>
    </message>
    <message>
        <source>City : </source>
        <translation>Ville : </translation>
    </message>
    <message>
        <source>weather service key</source>
        <translation>clé du service météo</translation>
    </message>
    <message>
        <source>Weather service key</source>
        <translation>Clé du service météo</translation>
    </message>
    <message>
        <source>Use this key</source>
        <translation>Utiliser cette clé</translation>
    </message>
    <message>
        <source>Weather unavailable: %1</source>
        <translation>Météo indisponible : %1</translation>
    </message>
    <message>
        <source>no answer within %1 s</source>
        <translation>pas de réponse en %1 s</translation>
    </message>
    <message>
        <source>no key for the weather service. Get a free key from OpenWeatherMap and type it below, or start GPS with the environment variable OPENWEATHER_API_KEY set to it.</source>
        <translation>pas de clé pour le service météo. Obtenez une clé gratuite auprès d&apos;OpenWeatherMap et tapez-la ci-dessous, ou lancez GPS avec la variable d&apos;environnement OPENWEATHER_API_KEY qui la contient.</translation>
    </message>
</context>
<context>
    <name>MapController</name>
    <message>
        <source>Route from here</source>
        <translation>Trajet depuis ici</translation>
    </message>
    <message>
        <source>Route to here</source>
        <translation>Trajet jusqu&apos;ici</translation>
    </message>
    <message>
        <source>Weather here</source>
        <translation>Météo ici</translation>
    </message>
    <message>
        <source>Reset view</source>
        <translation>Vue de départ</translation>
    </message>
    <message>
        <source>City names</source>
        <translation>Noms des villes</translation>
    </message>
    <message>
        <source>Land and borders</source>
        <translation>Terres et frontières</translation>
    </message>
    <message>
        <source>Map</source>
        <translation>Carte</translation>
    </message>
    <message>
        <source>up to %1</source>
        <translation>jusqu&apos;à %1</translation>
    </message>
    <message>
        <source>Reachable from %1 within %2</source>
        <translation>Accessible depuis %1 en %2</translation>
    </message>
    <message>
        <source>Reachable from here</source>
        <translation>Accessible d&apos;ici</translation>
    </message>
    <message>
        <source>Cities reachable from %1 within how many minutes?</source>
        <translation>Villes accessibles depuis %1 en combien de minutes ?</translation>
    </message>
    <message>
        <source>Reachable from here...</source>
        <translation>Accessible d&apos;ici…</translation>
    </message>
    <message>
        <source>Clear reachable cities</source>
        <translation>Effacer les villes accessibles</translation>
    </message>
    <message>
        <source>Arrows</source>
        <translation>Flèches</translation>
    </message>
    <message>
        <source>Move the map</source>
        <translation>Déplacer la carte</translation>
    </message>
    <message>
        <source>+ and -</source>
        <translation>+ et -</translation>
    </message>
    <message>
        <source>Zoom in and out</source>
        <translation>Zoomer et dézoomer</translation>
    </message>
    <message>
        <source>Menu key, Shift+F10</source>
        <translation>Touche Menu, Maj+F10</translation>
    </message>
    <message>
        <source>The map&apos;s menu</source>
        <translation>Le menu de la carte</translation>
    </message>
    <message>
        <source>Wheel</source>
        <translation>Molette</translation>
    </message>
    <message>
        <source>Zoom about the pointer</source>
        <translation>Zoomer autour du pointeur</translation>
    </message>
    <message>
        <source>Drag</source>
        <translation>Glisser</translation>
    </message>
    <message>
        <source>Right click</source>
        <translation>Clic droit</translation>
    </message>
    <message>
        <source>The map&apos;s menu (a city&apos;s, on a city)</source>
        <translation>Le menu de la carte (celui d&apos;une ville, sur une ville)</translation>
    </message>
</context>
<context>
    <name>NetworkReading</name>
    <message>
        <source>Reading the network kept from its last opening...</source>
        <translation>Lecture du réseau gardé de sa dernière ouverture...</translation>
    </message>
    <message>
        <source>Reading the cities (villes.csv)...</source>
        <translation>Lecture des villes (villes.csv)...</translation>
    </message>
    <message>
        <source>Reading the roads (temps.csv)...</source>
        <translation>Lecture des routes (temps.csv)...</translation>
    </message>
    <message>
        <source>Reading the roads&apos; shapes (shapes.csv)...</source>
        <translation>Lecture des tracés des routes (shapes.csv)...</translation>
    </message>
    <message>
        <source>Keeping the network for its next opening...</source>
        <translation>Conservation du réseau pour sa prochaine ouverture...</translation>
    </message>
    <message>
        <source>Reading the road graph (roadgraph.bin)...</source>
        <translation>Lecture du graphe routier (roadgraph.bin)...</translation>
    </message>
</context>
<context>
    <name>OsmImport</name>
    <message>
        <source>Open an OpenStreetMap extract...</source>
        <translation>Ouvrir un extrait OpenStreetMap...</translation>
    </message>
    <message>
        <source>Open an OpenStreetMap extract</source>
        <translation>Ouvrir un extrait OpenStreetMap</translation>
    </message>
    <message>
        <source>OpenStreetMap extracts (*.osm.pbf *.osm *.osm.bz2 *.osm.gz);;All files (*)</source>
        <translation>Extraits OpenStreetMap (*.osm.pbf *.osm *.osm.bz2 *.osm.gz);;Tous les fichiers (*)</translation>
    </message>
    <message>
        <source>Reading %1...</source>
        <translation>Lecture de %1...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>not enough memory to convert it</source>
        <translation>pas assez de mémoire pour le convertir</translation>
    </message>
    <message>
        <source>GPS</source>
        <translation>GPS</translation>
    </message>
    <message>
        <source>The extract could not be converted: %1</source>
        <translation>L&apos;extrait n&apos;a pas pu être converti : %1</translation>
    </message>
    <message>
        <source>no place (%1) lies near a road in %2</source>
        <translation>aucun lieu (%1) n&apos;est près d&apos;une route dans %2</translation>
    </message>
</context>
<context>
    <name>PreferencesDialog</name>
    <message>
        <source>Preferences</source>
        <translation>Préférences</translation>
    </message>
    <message>
        <source>&amp;Remember my choices between runs</source>
        <translation>&amp;Retenir mes choix d&apos;une fois sur l&apos;autre</translation>
    </message>
    <message>
        <source>The window&apos;s size, the unit, names and land, the network folder you open, the order of typed routes and a weather key typed in. Turned off, what was kept is forgotten.</source>
        <translation>La taille de la fenêtre, l&apos;unité, les noms et les terres, le dossier de réseau que vous ouvrez, l&apos;ordre des trajets tapés et une clé météo tapée. Désactivé, ce qui était retenu est oublié.</translation>
    </message>
    <message>
        <source>&amp;Language:</source>
        <translation>&amp;Langue :</translation>
    </message>
    <message>
        <source>GPS&apos;s own texts (English)</source>
        <translation>Les textes de GPS (anglais)</translation>
    </message>
    <message>
        <source>The system&apos;s language</source>
        <translation>La langue du système</translation>
    </message>
    <message>
        <source>French</source>
        <translation>Français</translation>
    </message>
    <message>
        <source>From the next start of GPS.</source>
        <translation>Au prochain démarrage de GPS.</translation>
    </message>
    <message>
        <source>List cities as a &amp;reader would (Épinal before Paris, Paris 2 before Paris 10)</source>
        <translation>Ranger les villes comme un &amp;lecteur (Épinal avant Paris, Paris 2 avant Paris 10)</translation>
    </message>
    <message>
        <source>&amp;Wind speed in km/h</source>
        <translation>&amp;Vitesse du vent en km/h</translation>
    </message>
    <message>
        <source>Weather service &amp;key:</source>
        <translation>&amp;Clé du service météo :</translation>
    </message>
    <message>
        <source>&amp;Forget the key</source>
        <translation>&amp;Oublier la clé</translation>
    </message>
    <message>
        <source>Weather service key</source>
        <translation>Clé du service météo</translation>
    </message>
    <message>
        <source>Without a key here, the environment&apos;s OPENWEATHER_API_KEY is used.</source>
        <translation>Sans clé ici, la variable d&apos;environnement OPENWEATHER_API_KEY sert.</translation>
    </message>
    <message>
        <source>The route&apos;s ends in the window&apos;s &amp;title</source>
        <translation>Les extrémités du trajet dans le &amp;titre de la fenêtre</translation>
    </message>
    <message>
        <source>Times in hours and &amp;minutes (h:mm) among the units</source>
        <translation>Les durées en heures et &amp;minutes (h:mm) parmi les unités</translation>
    </message>
    <message>
        <source>&amp;Help typing cities: a search in the city boxes, suggestions and an order in the cities dialog</source>
        <translation>&amp;Aide à la saisie des villes : une recherche dans les listes de villes, des suggestions et un ordre dans la boîte des villes</translation>
    </message>
    <message>
        <source>Ring the &amp;stops of a typed route on the map</source>
        <translation>Entourer les &amp;étapes d&apos;un trajet tapé sur la carte</translation>
    </message>
    <message>
        <source>Keep the route&apos;s t&amp;otal in sight at the right end of its table</source>
        <translation>Garder le t&amp;otal du trajet en vue au bout droit de son tableau</translation>
    </message>
</context>
<context>
    <name>RouteTable</name>
    <message>
        <source>no road</source>
        <translation>pas de route</translation>
    </message>
    <message>
        <source>Total</source>
        <translation>Total</translation>
    </message>
    <message>
        <source>Time(%1)</source>
        <translation>Temps(%1)</translation>
    </message>
    <message>
        <source>City</source>
        <translation>Ville</translation>
    </message>
    <message>
        <source>Leg (%1)</source>
        <translation>Étape (%1)</translation>
    </message>
    <message>
        <source>Since start (%1)</source>
        <translation>Depuis le départ (%1)</translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source>leg %1, since the start %2</source>
        <translation>étape %1, depuis le départ %2</translation>
    </message>
    <message>
        <source>Distance(km)</source>
        <translation>Distance(km)</translation>
    </message>
    <message>
        <source>leg %1, %2 km; since the start %3, %4 km</source>
        <translation>étape %1, %2 km ; depuis le départ %3, %4 km</translation>
    </message>
    <message>
        <source>Leg (km)</source>
        <translation>Étape (km)</translation>
    </message>
    <message>
        <source>Since start (km)</source>
        <translation>Depuis le départ (km)</translation>
    </message>
</context>
<context>
    <name>TableMatrix</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>Return</source>
        <translation>Retour</translation>
    </message>
    <message>
        <source>Shortest travel times, in minutes: from the city of the row to the city of the column.</source>
        <translation>Temps de trajet les plus courts, en minutes : de la ville de la ligne à la ville de la colonne.</translation>
    </message>
</context>
<context>
    <name>TimeTableModel</name>
    <message>
        <source>no road</source>
        <translation>pas de route</translation>
    </message>
</context>
<context>
    <name>TripNote</name>
    <message>
        <source>Best order:</source>
        <translation>Meilleur ordre :</translation>
    </message>
    <message>
        <source>Best order found (not proven):</source>
        <translation>Meilleur ordre trouvé (non prouvé) :</translation>
    </message>
    <message>
        <source>saves %1 on the order typed.</source>
        <translation>gagne %1 sur l&apos;ordre saisi.</translation>
    </message>
    <message>
        <source>the order typed was as fast.</source>
        <translation>l&apos;ordre saisi était aussi rapide.</translation>
    </message>
    <message>
        <source>No road reaches %1.</source>
        <translation>Aucune route ne mène à %1.</translation>
    </message>
    <message>
        <source>Typed twice, visited once: %1.</source>
        <translation>Saisies deux fois, visitées une fois : %1.</translation>
    </message>
    <message>
        <source>one leg fewer without a road than in the order typed.</source>
        <translation>une étape sans route de moins que dans l&apos;ordre tapé.</translation>
    </message>
    <message>
        <source>%1 legs fewer without a road than in the order typed.</source>
        <translation>%1 étapes sans route de moins que dans l&apos;ordre tapé.</translation>
    </message>
</context>
<context>
    <name>Weather</name>
    <message>
        <source>HTTP status %1</source>
        <translation>statut HTTP %1</translation>
    </message>
    <message>
        <source>no answer</source>
        <translation>pas de réponse</translation>
    </message>
    <message>
        <source>the service&apos;s answer is not weather data</source>
        <translation>la réponse du service n&apos;est pas une météo</translation>
    </message>
    <message>
        <source>the service answered code %1</source>
        <translation>le service a répondu le code %1</translation>
    </message>
    <message>
        <source>the service&apos;s answer holds no measurements</source>
        <translation>la réponse du service ne contient aucune mesure</translation>
    </message>
    <message>
        <source>the weather service did not answer in time — try again later</source>
        <translation>le service météo n&apos;a pas répondu à temps — réessayez plus tard</translation>
    </message>
    <message>
        <source>the weather service could not be trusted (its certificate)</source>
        <translation>le service météo n&apos;est pas digne de confiance (son certificat)</translation>
    </message>
    <message>
        <source>cannot reach the weather service — is this computer online?</source>
        <translation>impossible de joindre le service météo — cet ordinateur est-il connecté ?</translation>
    </message>
    <message>
        <source>the service does not know this city</source>
        <translation>le service ne connaît pas cette ville</translation>
    </message>
    <message>
        <source>too many requests with this key — try again later</source>
        <translation>trop de demandes avec cette clé — réessayez plus tard</translation>
    </message>
    <message>
        <source>the weather service&apos;s answer cannot be shown</source>
        <translation>la réponse du service météo ne peut pas être affichée</translation>
    </message>
    <message>
        <source>the key was refused — change it</source>
        <translation>la clé a été refusée — changez-la</translation>
    </message>
</context>
<context>
    <name>WindowActions</name>
    <message>
        <source>Find a city...</source>
        <translation>Trouver une ville…</translation>
    </message>
    <message>
        <source>Swap start and end</source>
        <translation>Échanger départ et arrivée</translation>
    </message>
    <message>
        <source>Clear the route</source>
        <translation>Effacer le trajet</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Aide</translation>
    </message>
    <message>
        <source>About GPS</source>
        <translation>À propos de GPS</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Quitter</translation>
    </message>
    <message>
        <source>Menu (F10)</source>
        <translation>Menu (F10)</translation>
    </message>
    <message>
        <source>Find a city</source>
        <translation>Trouver une ville</translation>
    </message>
    <message>
        <source>City (any part of its name):</source>
        <translation>Ville (n&apos;importe quelle partie de son nom) :</translation>
    </message>
    <message>
        <source>GPS</source>
        <translation>GPS</translation>
    </message>
    <message>
        <source>No city&apos;s name holds &quot;%1&quot;.</source>
        <translation>Aucun nom de ville ne contient « %1 ».</translation>
    </message>
    <message>
        <source>GPS help</source>
        <translation>Aide de GPS</translation>
    </message>
    <message>
        <source>Preferences...</source>
        <translation>Préférences...</translation>
    </message>
    <message>
        <source>This program&apos;s menu</source>
        <translation>Le menu du programme</translation>
    </message>
    <message>
        <source>Tab</source>
        <translation>Tab</translation>
    </message>
    <message>
        <source>The next control, in reading order (arrows move inside the route table)</source>
        <translation>Le contrôle suivant, dans l&apos;ordre de lecture (les flèches se déplacent dans le tableau du trajet)</translation>
    </message>
    <message>
        <source>Return, Escape</source>
        <translation>Entrée, Échap</translation>
    </message>
    <message>
        <source>Close a table or the weather</source>
        <translation>Fermer un tableau ou la météo</translation>
    </message>
    <message>
        <source>Up, Down</source>
        <translation>Haut, Bas</translation>
    </message>
    <message>
        <source>In &quot;cities&quot;: the lists typed before</source>
        <translation>Dans « villes » : les listes tapées avant</translation>
    </message>
    <message>
        <source>&lt;p&gt;&lt;b&gt;GPS&lt;/b&gt; finds the fastest route between the cities of a road network: choose a departure and an arrival, or type a list of cities (&lt;i&gt;cities&lt;/i&gt;). The table under the map gives the time of each leg.&lt;/p&gt;&lt;p&gt;&lt;b&gt;Files&lt;/b&gt;: a network is a folder with &lt;tt&gt;villes.csv&lt;/tt&gt; (a header line, then &lt;tt&gt;id,name,region,latitude,longitude&lt;/tt&gt;) and &lt;tt&gt;temps.csv&lt;/tt&gt; (&lt;tt&gt;city,city,minutes&lt;/tt&gt;, a road both ways).&lt;/p&gt;</source>
        <translation>&lt;p&gt;&lt;b&gt;GPS&lt;/b&gt; trouve le trajet le plus rapide entre les villes d&apos;un réseau routier : choisissez un départ et une arrivée, ou tapez une liste de villes (&lt;i&gt;villes&lt;/i&gt;). Le tableau sous la carte donne le temps de chaque étape.&lt;/p&gt;&lt;p&gt;&lt;b&gt;Fichiers&lt;/b&gt; : un réseau est un dossier avec &lt;tt&gt;villes.csv&lt;/tt&gt; (une ligne d&apos;en-tête, puis &lt;tt&gt;id,nom,région,latitude,longitude&lt;/tt&gt;) et &lt;tt&gt;temps.csv&lt;/tt&gt; (&lt;tt&gt;ville,ville,minutes&lt;/tt&gt;, une route dans les deux sens).&lt;/p&gt;</translation>
    </message>
    <message>
        <source>Keys</source>
        <translation>Touches</translation>
    </message>
    <message>
        <source>On the map (Tab reaches it; B, E, W and R act on the city found with Ctrl+F or clicked)</source>
        <translation>Sur la carte (Tab l&apos;atteint ; B, E, W et R agissent sur la ville trouvée avec Ctrl+F ou cliquée)</translation>
    </message>
    <message>
        <source>Cities: GeoNames (CC BY 4.0).</source>
        <translation>Villes : GeoNames (CC BY 4.0).</translation>
    </message>
    <message>
        <source>This network: %1</source>
        <translation>Ce réseau : %1</translation>
    </message>
    <message>
        <source>Credits missing: this folder&apos;s credits.txt is blank</source>
        <translation>Crédits manquants : le credits.txt de ce dossier est vide</translation>
    </message>
    <message>
        <source>This network: its folder&apos;s credits.txt names no source.</source>
        <translation>Ce réseau : le credits.txt de son dossier ne nomme aucune source.</translation>
    </message>
    <message>
        <source>&lt;p&gt;&lt;b&gt;GPS&lt;/b&gt; %1 — a route planner for road networks of your own.&lt;/p&gt;&lt;p&gt;%3&lt;/p&gt;&lt;p&gt;Land and borders: Natural Earth (public domain). Weather: OpenWeatherMap. Built with Qt %2.&lt;/p&gt;</source>
        <translation>&lt;p&gt;&lt;b&gt;GPS&lt;/b&gt; %1 — un planificateur de trajets pour vos propres réseaux routiers.&lt;/p&gt;&lt;p&gt;%3&lt;/p&gt;&lt;p&gt;Terres et frontières : Natural Earth (domaine public). Météo : OpenWeatherMap. Fait avec Qt %2.&lt;/p&gt;</translation>
    </message>
</context>
</TS>
