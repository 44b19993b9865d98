<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>CityPrompt</name>
    <message>
        <location filename="../src/gui/cityprompt.cpp" line="16"/>
        <source>Cities</source>
        <translation>Villes</translation>
    </message>
    <message>
        <location filename="../src/gui/cityprompt.cpp" line="17"/>
        <source>Enter cities name split by &apos; &apos; like : Paris Marseille</source>
        <translation>Entrez les noms des villes séparés par &apos; &apos;, par exemple : Paris Marseille</translation>
    </message>
    <message>
        <location filename="../src/gui/cityprompt.cpp" line="31"/>
        <source>&quot;%1&quot;</source>
        <translation>« %1 »</translation>
    </message>
    <message>
        <location filename="../src/gui/cityprompt.cpp" line="32"/>
        <source>&quot;%1&quot; (did you mean %2?)</source>
        <translation>« %1 » (vouliez-vous dire %2 ?)</translation>
    </message>
    <message>
        <location filename="../src/gui/cityprompt.cpp" line="35"/>
        <source>ALLERTE</source>
        <translation>ALERTE</translation>
    </message>
    <message>
        <location filename="../src/gui/cityprompt.cpp" line="36"/>
        <source>Unknown cities: %1. The route is unchanged.

Names with spaces can be typed as they are, or in double quotes; commas also separate.</source>
        <translation>Villes inconnues : %1. Le trajet ne change pas.

Un nom qui contient des espaces peut être tapé tel quel ou entre guillemets droits ; les virgules séparent aussi les noms.</translation>
    </message>
</context>
<context>
    <name>Fenetre</name>
    <message>
        <location filename="../src/gui/Window.ui" line="6"/>
        <source>Fenetre</source>
        <translation>Fenetre</translation>
    </message>
    <message>
        <location filename="../src/gui/Window.ui" line="19"/>
        <source>Departure city</source>
        <translation>Ville de départ</translation>
    </message>
    <message>
        <location filename="../src/gui/Window.ui" line="21"/>
        <location filename="../src/gui/Window.ui" line="23"/>
        <source>City - start    🟦</source>
        <translation>Ville - départ    🟦</translation>
    </message>
    <message>
        <location filename="../src/gui/Window.ui" line="28"/>
        <location filename="../src/gui/Window.cpp" line="51"/>
        <location filename="../src/gui/Window.cpp" line="243"/>
        <location filename="../src/app/main.cpp" line="139"/>
        <source>GPS</source>
        <translation>GPS</translation>
    </message>
    <message>
        <location filename="../src/gui/Window.ui" line="31"/>
        <source>Arrival city</source>
        <translation>Ville d&apos;arrivée</translation>
    </message>
    <message>
        <location filename="../src/gui/Window.ui" line="33"/>
        <location filename="../src/gui/Window.ui" line="35"/>
        <source>City - end     🟩</source>
        <translation>Ville - arrivée     🟩</translation>
    </message>
    <message>
        <location filename="../src/gui/Window.ui" line="38"/>
        <source>Travel times between all cities</source>
        <translation>Temps de trajet entre toutes les villes</translation>
    </message>
    <message>
        <location filename="../src/gui/Window.ui" line="40"/>
        <source>Global Matrix</source>
        <translation>Matrice globale</translation>
    </message>
    <message>
        <location filename="../src/gui/Window.ui" line="43"/>
        <source>Time of each leg of the route</source>
        <translation>Temps de chaque étape du trajet</translation>
    </message>
    <message>
        <location filename="../src/gui/Window.ui" line="48"/>
        <source>Travel times between the cities of the route</source>
        <translation>Temps de trajet entre les villes du trajet</translation>
    </message>
    <message>
        <location filename="../src/gui/Window.ui" line="50"/>
        <source>Travel Matrix</source>
        <translation>Matrice du trajet</translation>
    </message>
    <message>
        <location filename="../src/gui/Window.ui" line="53"/>
        <source>Route through cities typed in</source>
        <translation>Trajet par des villes tapées au clavier</translation>
    </message>
    <message>
        <location filename="../src/gui/Window.ui" line="55"/>
        <source>cities</source>
        <translation>villes</translation>
    </message>
    <message>
        <location filename="../src/gui/Window.ui" line="58"/>
        <source>Unit of the times</source>
        <translation>Unité des temps</translation>
    </message>
    <message>
        <location filename="../src/gui/Window.ui" line="60"/>
        <source>minute</source>
        <translation>minute</translation>
    </message>
    <message>
        <location filename="../src/gui/Window.ui" line="61"/>
        <source>hour</source>
        <translation>heure</translation>
    </message>
    <message>
        <location filename="../src/gui/Window.ui" line="64"/>
        <source>Weather of a city</source>
        <translation>Météo d&apos;une ville</translation>
    </message>
    <message>
        <location filename="../src/gui/Window.ui" line="66"/>
        <source>Info city</source>
        <translation>Météo</translation>
    </message>
    <message>
        <location filename="../src/gui/Window.ui" line="69"/>
        <source>Zoom in</source>
        <translation>Zoom avant</translation>
    </message>
    <message>
        <location filename="../src/gui/Window.ui" line="71"/>
        <source>+</source>
        <translation>+</translation>
    </message>
    <message>
        <location filename="../src/gui/Window.ui" line="74"/>
        <source>Zoom out</source>
        <translation>Zoom arrière</translation>
    </message>
    <message>
        <location filename="../src/gui/Window.ui" line="76"/>
        <source>-</source>
        <translation>-</translation>
    </message>
    <message>
        <location filename="../src/gui/Window.ui" line="80"/>
        <source>GPS - cities © GeoNames
licence CC BY 4.0</source>
        <translation>GPS - villes © GeoNames
licence CC BY 4.0</translation>
    </message>
    <message>
        <location filename="../src/gui/Window.cpp" line="70"/>
        <source>%1: not enough memory to open this network</source>
        <translation>%1 : pas assez de mémoire pour ouvrir ce réseau</translation>
    </message>
    <message>
        <location filename="../src/gui/Window.cpp" line="244"/>
        <source>Not enough memory for this on a network of %1 cities. Nothing was changed.</source>
        <translation>Pas assez de mémoire pour cela sur un réseau de %1 villes. Rien n&apos;a été changé.</translation>
    </message>
    <message>
        <location filename="../src/gui/Window.cpp" line="251"/>
        <source>ALLERTE</source>
        <translation>ALERTE</translation>
    </message>
    <message>
        <location filename="../src/gui/Window.cpp" line="251"/>
        <source>Nombre de villes choisis &lt; 2.</source>
        <translation>Nombre de villes choisies &lt; 2.</translation>
    </message>
    <message>
        <location filename="../src/app/main.cpp" line="136"/>
        <source>Opening the network in %1...</source>
        <translation>Ouverture du réseau de %1…</translation>
    </message>
</context>
<context>
    <name>FileActions</name>
    <message>
        <location filename="../src/gui/fileactions.cpp" line="26"/>
        <source>Open a network folder...</source>
        <translation>Ouvrir le dossier d&apos;un réseau…</translation>
    </message>
    <message>
        <location filename="../src/gui/fileactions.cpp" line="29"/>
        <source>Save the route...</source>
        <translation>Enregistrer le trajet…</translation>
    </message>
    <message>
        <location filename="../src/gui/fileactions.cpp" line="32"/>
        <source>Copy the route</source>
        <translation>Copier le trajet</translation>
    </message>
    <message>
        <location filename="../src/gui/fileactions.cpp" line="34"/>
        <source>Save the map as PNG...</source>
        <translation>Enregistrer la carte en PNG…</translation>
    </message>
    <message>
        <location filename="../src/gui/fileactions.cpp" line="75"/>
        <location filename="../src/gui/fileactions.cpp" line="97"/>
        <location filename="../src/gui/fileactions.cpp" line="133"/>
        <location filename="../src/gui/fileactions.cpp" line="141"/>
        <source>GPS</source>
        <translation>GPS</translation>
    </message>
    <message>
        <location filename="../src/gui/fileactions.cpp" line="77"/>
        <source>The network folder %1 does not exist; the network on show is kept.</source>
        <translation>Le dossier de réseau %1 n&apos;existe pas ; le réseau affiché est conservé.</translation>
    </message>
    <message>
        <location filename="../src/gui/fileactions.cpp" line="78"/>
        <source>No city could be read in %1; the network on show is kept.</source>
        <translation>Aucune ville n&apos;a pu être lue dans %1 ; le réseau affiché est conservé.</translation>
    </message>
    <message>
        <location filename="../src/gui/fileactions.cpp" line="91"/>
        <source>(%1 more in the details)</source>
        <translation>(%1 de plus dans les détails)</translation>
    </message>
    <message>
        <location filename="../src/gui/fileactions.cpp" line="94"/>
        <source>Some of the network could not be read; the rest is shown.</source>
        <translation>Une partie du réseau n&apos;a pas pu être lue ; le reste est affiché.</translation>
    </message>
    <message>
        <location filename="../src/gui/fileactions.cpp" line="96"/>
        <source>The network folder %1 does not exist; no network is shown.</source>
        <translation>Le dossier de réseau %1 n&apos;existe pas ; aucun réseau n&apos;est affiché.</translation>
    </message>
    <message>
        <location filename="../src/gui/fileactions.cpp" line="107"/>
        <source>Open a network folder (villes.csv and temps.csv)</source>
        <translation>Ouvrir le dossier d&apos;un réseau (villes.csv et temps.csv)</translation>
    </message>
    <message>
        <location filename="../src/gui/fileactions.cpp" line="134"/>
        <source>Could not save %1: %2</source>
        <translation>Impossible d&apos;enregistrer %1 : %2</translation>
    </message>
    <message>
        <location filename="../src/gui/fileactions.cpp" line="141"/>
        <source>There is no route to save.</source>
        <translation>Il n&apos;y a pas de trajet à enregistrer.</translation>
    </message>
    <message>
        <location filename="../src/gui/fileactions.cpp" line="149"/>
        <source>Save the route</source>
        <translation>Enregistrer le trajet</translation>
    </message>
    <message>
        <location filename="../src/gui/fileactions.cpp" line="150"/>
        <source>GPX route (*.gpx)</source>
        <translation>Trajet GPX (*.gpx)</translation>
    </message>
    <message>
        <location filename="../src/gui/fileactions.cpp" line="150"/>
        <source>CSV table (*.csv)</source>
        <translation>Tableau CSV (*.csv)</translation>
    </message>
    <message>
        <location filename="../src/gui/fileactions.cpp" line="173"/>
        <source>Save the map</source>
        <translation>Enregistrer la carte</translation>
    </message>
    <message>
        <location filename="../src/gui/fileactions.cpp" line="173"/>
        <source>PNG image (*.png)</source>
        <translation>Image PNG (*.png)</translation>
    </message>
</context>
<context>
    <name>Info</name>
    <message>
        <location filename="../src/gui/info.ui" line="6"/>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <location filename="../src/gui/info.ui" line="22"/>
        <source>return</source>
        <translation>retour</translation>
    </message>
    <message>
        <location filename="../src/gui/info.cpp" line="52"/>
        <source>description : </source>
        <translation>description : </translation>
    </message>
    <message>
        <location filename="../src/gui/info.cpp" line="53"/>
        <source>° Temperature : </source>
        <translation>° Température : </translation>
    </message>
    <message>
        <location filename="../src/gui/info.cpp" line="54"/>
        <source>° Felt Temperature : </source>
        <translation>° Ressentie : </translation>
    </message>
    <message>
        <location filename="../src/gui/info.cpp" line="55"/>
        <source>% Humidity : </source>
        <translation>% Humidité : </translation>
    </message>
    <message>
        <location filename="../src/gui/info.cpp" line="56"/>
        <source>Wind Speed : </source>
        <translation>Vitesse du vent : </translation>
    </message>
    <message>
        <location filename="../src/gui/info.cpp" line="57"/>
        <source>Wind Direction : </source>
        <translation>Direction du vent : </translation>
    </message>
    <message>
        <location filename="../src/gui/info.cpp" line="58"/>
        <source>Rain : </source>
        <translation>Pluie : </translation>
    </message>
    <message>
        <location filename="../src/gui/info.cpp" line="59"/>
        <source>Sunrise Time : </source>
        <translation>Lever du soleil : </translation>
    </message>
    <message>
        <location filename="../src/gui/info.cpp" line="60"/>
        <source>Sunset Time : </source>
        <translation>Coucher du soleil : </translation>
    </message>
    <message>
        <location filename="../src/gui/info.cpp" line="61"/>
        <source>City : </source>
        <translation>Ville : </translation>
    </message>
    <message>
        <location filename="../src/gui/info.cpp" line="70"/>
        <source>no key for the weather service. Get a free key from OpenWeatherMap and type it below (GPS keeps it), or start GPS with the environment variable OPENWEATHER_API_KEY set to it.</source>
        <translation>pas de clé pour le service météo. Obtenez une clé gratuite auprès d&apos;OpenWeatherMap et tapez-la ci-dessous (GPS la garde), ou lancez GPS avec la variable d&apos;environnement OPENWEATHER_API_KEY qui la contient.</translation>
    </message>
    <message>
        <location filename="../src/gui/info.cpp" line="81"/>
        <source>weather service key</source>
        <translation>clé du service météo</translation>
    </message>
    <message>
        <location filename="../src/gui/info.cpp" line="82"/>
        <source>Weather service key</source>
        <translation>Clé du service météo</translation>
    </message>
    <message>
        <location filename="../src/gui/info.cpp" line="83"/>
        <source>Use this key</source>
        <translation>Utiliser cette clé</translation>
    </message>
    <message>
        <location filename="../src/gui/info.cpp" line="112"/>
        <source>Weather unavailable: %1</source>
        <translation>Météo indisponible : %1</translation>
    </message>
    <message>
        <location filename="../src/gui/info.cpp" line="145"/>
        <source>no answer within %1 s</source>
        <translation>pas de réponse en %1 s</translation>
    </message>
</context>
<context>
    <name>MapController</name>
    <message>
        <location filename="../src/gui/mapcontroller.cpp" line="270"/>
        <source>Route from here</source>
        <translation>Trajet depuis ici</translation>
    </message>
    <message>
        <location filename="../src/gui/mapcontroller.cpp" line="271"/>
        <source>Route to here</source>
        <translation>Trajet jusqu&apos;ici</translation>
    </message>
    <message>
        <location filename="../src/gui/mapcontroller.cpp" line="272"/>
        <source>Weather here</source>
        <translation>Météo ici</translation>
    </message>
    <message>
        <location filename="../src/gui/mapcontroller.cpp" line="276"/>
        <source>Reset view</source>
        <translation>Vue de départ</translation>
    </message>
    <message>
        <location filename="../src/gui/mapcontroller.cpp" line="277"/>
        <source>City names</source>
        <translation>Noms des villes</translation>
    </message>
    <message>
        <location filename="../src/gui/mapcontroller.cpp" line="282"/>
        <source>Land and borders</source>
        <translation>Terres et frontières</translation>
    </message>
</context>
<context>
    <name>RouteTable</name>
    <message>
        <location filename="../src/model/routetable.cpp" line="28"/>
        <source>no road</source>
        <translation>pas de route</translation>
    </message>
    <message>
        <location filename="../src/model/routetable.cpp" line="69"/>
        <source>Total</source>
        <translation>Total</translation>
    </message>
    <message>
        <location filename="../src/model/routetable.cpp" line="70"/>
        <source>Time(%1)</source>
        <translation>Temps(%1)</translation>
    </message>
</context>
<context>
    <name>TableMatrix</name>
    <message>
        <location filename="../src/gui/tablematrix.ui" line="6"/>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <location filename="../src/gui/tablematrix.ui" line="10"/>
        <source>Return</source>
        <translation>Retour</translation>
    </message>
</context>
<context>
    <name>Weather</name>
    <message>
        <location filename="../src/gui/weather.cpp" line="111"/>
        <source>HTTP status %1</source>
        <translation>statut HTTP %1</translation>
    </message>
    <message>
        <location filename="../src/gui/weather.cpp" line="112"/>
        <source>no answer</source>
        <translation>pas de réponse</translation>
    </message>
    <message>
        <location filename="../src/gui/weather.cpp" line="115"/>
        <source>the service&apos;s answer is not weather data</source>
        <translation>la réponse du service n&apos;est pas une météo</translation>
    </message>
    <message>
        <location filename="../src/gui/weather.cpp" line="118"/>
        <source>the service answered code %1</source>
        <translation>le service a répondu le code %1</translation>
    </message>
    <message>
        <location filename="../src/gui/weather.cpp" line="123"/>
        <source>the service&apos;s answer holds no measurements</source>
        <translation>la réponse du service ne contient aucune mesure</translation>
    </message>
</context>
</TS>
