-- SPDX-License-Identifier: GPL-3.0-or-later
-- The delivered empty cellar. Indexes use built-in collations only, so stock SQLite tools can still write.
CREATE TABLE ORNY (
    NOM TEXT,
    TYPE TEXT,
    ANNEE INTEGER,
    COULEUR TEXT,
    QUANTITE INTEGER,
    PRIXUNITAIRE REAL
);
CREATE TABLE COULEUR (LIBELLE TEXT);
CREATE INDEX ORNY_NOM ON ORNY (NOM COLLATE NOCASE);
CREATE INDEX ORNY_TYPE ON ORNY (TYPE COLLATE NOCASE);
INSERT INTO COULEUR (LIBELLE) VALUES ('Blanc'), ('Rosé'), ('Rouge');
